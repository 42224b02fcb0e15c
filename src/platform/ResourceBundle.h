#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <map>

// A resource bundle beside the launcher (Quillbarrow01.dll, Quillbarrow02.dll): a Qt binary
// resource file registered under a root of its own. Lookups hand out views into the mapped
// file, no copies; they stay valid until the bundle is released.
class ResourceBundle {
public:
    struct Lookup {
        QByteArrayView Data;
        QString Error; // "resource not found: ..." naming the resource and the bundle file
        bool found() const { return Error.isEmpty(); }
    };

    ResourceBundle() = default;
    ~ResourceBundle();
    ResourceBundle(ResourceBundle &&other) noexcept;
    ResourceBundle &operator=(ResourceBundle &&other) noexcept;
    ResourceBundle(const ResourceBundle &) = delete;
    ResourceBundle &operator=(const ResourceBundle &) = delete;

    // Registers the bundle file at `path`. A missing or unreadable file does not fail here: the
    // bundle is then not loaded and every lookup reports the resource as not found, with the reason.
    static ResourceBundle open(const QString &path);

    bool isLoaded() const { return !Root.isEmpty(); }
    QString loadError() const { return LoadError; }
    // The file name as the messages name it ("Quillbarrow01.dll").
    QString fileName() const { return FileName; }
    // The resource path prefix, e.g. ":/Quillbarrow01-1"; empty when not loaded.
    QString prefix() const;

    Lookup find(const QString &name) const;
    QStringList names() const;

    // Unregisters the bundle; views handed out before become invalid. Safe to call again.
    void release();

private:
    QString Path;
    QString FileName;
    QString Root;
    QString LoadError;
    // Entries someone packed compressed: inflated once, kept until release.
    mutable std::map<QString, QByteArray> Inflated;
};
