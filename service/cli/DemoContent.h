#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The demo content the build generates (game archives, update archives, the setup program, ad
// pages, the web site's static files) and the versions and counts it announces.
class DemoContent {
public:
    struct Announced {
        QList<QByteArray> versions; // the launcher, then the 13 games
        int ads = 0;
        int news = 0;
    };

    explicit DemoContent(QString demoDir);

    static constexpr int kVersionCount = 14;
    static const QStringList &folders(); // download, ads, site

    [[nodiscard]] QString dir() const { return m_dir; }
    [[nodiscard]] QString announcedFile() const;

    // announced.ini: "versions=<launcher>^<g0>^...^<g12>", "ads=N", "news=N".
    [[nodiscard]] std::optional<Announced> readAnnounced(QString *error) const;

    // Copies each demo folder into wwwDir/<folder>, replacing what was there. Folders the demo
    // does not have are left empty and named in *missing.
    [[nodiscard]] bool copyInto(const QString &wwwDir, QStringList *missing, QString *error) const;

private:
    QString m_dir;
};
