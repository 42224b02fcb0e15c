#include "cli/DemoContent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool parseCount(const QByteArray &text, int *value) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number < 0)
        return false;
    *value = number;
    return true;
}

// Regular files and folders only: a link in the demo folder is not followed into the web root.
bool copyTree(const QString &from, const QString &to, QString *error) {
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("cannot create %1").arg(to);
        return false;
    }
    const QDir source(from);
    const QFileInfoList entries =
        source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isSymLink())
            continue;
        if (entry.isDir()) {
            if (!copyTree(entry.filePath(), target, error))
                return false;
        } else if (entry.isFile()) {
            if (!QFile::copy(entry.filePath(), target)) {
                *error = QStringLiteral("cannot copy %1 to %2").arg(entry.filePath(), target);
                return false;
            }
            QFile::setPermissions(target,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    return true;
}

} // namespace

DemoContent::DemoContent(QString demoDir)
    : m_dir(std::move(demoDir)) {}

const QStringList &DemoContent::folders() {
    static const QStringList names = {QStringLiteral("download"), QStringLiteral("ads"),
                                      QStringLiteral("site")};
    return names;
}

QString DemoContent::announcedFile() const {
    return QDir(m_dir).filePath(QStringLiteral("announced.ini"));
}

std::optional<DemoContent::Announced> DemoContent::readAnnounced(QString *error) const {
    QFile file(announcedFile());
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    Announced announced;
    bool haveVersions = false, haveAds = false, haveNews = false;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';') || line.startsWith('['))
            continue;
        const qsizetype equals = line.indexOf('=');
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = equals < 0 ? QByteArray() : line.mid(equals + 1).trimmed();
        bool ok = equals > 0;
        if (key == "versions") {
            announced.versions = value.split('^');
            ok = ok && announced.versions.size() == kVersionCount;
            haveVersions = true;
        } else if (key == "ads") {
            ok = ok && parseCount(value, &announced.ads);
            haveAds = true;
        } else if (key == "news") {
            ok = ok && parseCount(value, &announced.news);
            haveNews = true;
        }
        if (!ok) {
            *error = QStringLiteral("%1:%2: not understood (versions needs %3 values separated by \"^\", "
                                    "counts a number)")
                         .arg(file.fileName())
                         .arg(lineNumber)
                         .arg(kVersionCount);
            return std::nullopt;
        }
    }
    if (!haveVersions || !haveAds || !haveNews) {
        *error = QStringLiteral("%1 lacks one of the keys versions, ads, news").arg(file.fileName());
        return std::nullopt;
    }
    return announced;
}

bool DemoContent::copyInto(const QString &wwwDir, QStringList *missing, QString *error) const {
    for (const QString &name : folders()) {
        QDir target(QDir(wwwDir).filePath(name));
        const QFileInfo existing(target.path());
        // A link is removed, never the tree it points to.
        const bool removed = existing.isSymLink() ? QFile::remove(target.path())
                                                  : !existing.exists() || target.removeRecursively();
        if (!removed) {
            *error = QStringLiteral("cannot replace %1").arg(target.path());
            return false;
        }
        const QString source = QDir(m_dir).filePath(name);
        if (!QFileInfo(source).isDir()) {
            missing->append(source);
            if (!QDir().mkpath(target.path())) {
                *error = QStringLiteral("cannot create %1").arg(target.path());
                return false;
            }
            continue;
        }
        if (!copyTree(source, target.path(), error))
            return false;
    }
    return true;
}
