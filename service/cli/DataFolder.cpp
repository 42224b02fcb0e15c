#include "cli/DataFolder.h"

#include <QDir>
#include <QFileInfo>

DataFolder::DataFolder(QString root)
    : m_root(std::move(root)) {}

std::optional<DataFolder> DataFolder::fromArgument(const QString &path, QString *error) {
    if (path.isEmpty()) {
        *error = QStringLiteral("the data folder is missing (--data DIR)");
        return std::nullopt;
    }
    for (const QChar c : path) {
        if (c == u'"' || c == u'\\' || c == u'$' || c.category() == QChar::Other_Control) {
            *error = QStringLiteral("the data folder path must not contain quotes, backslashes, \"$\" or "
                                    "control characters: %1")
                         .arg(path);
            return std::nullopt;
        }
    }
    // Symbolic links are resolved so nginx's symlink guard below the web root sees a real path.
    QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    const QFileInfo info(absolute);
    if (info.exists()) {
        if (!info.isDir()) {
            *error = QStringLiteral("%1 is not a folder").arg(absolute);
            return std::nullopt;
        }
        absolute = info.canonicalFilePath();
    }
    return DataFolder(absolute);
}

QString DataFolder::path(const QString &relative) const {
    return QDir(m_root).filePath(relative);
}

bool DataFolder::isInitialised() const {
    return QFileInfo(database()).isFile();
}
