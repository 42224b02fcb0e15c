#include "platform/LauncherFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <unistd.h>

LauncherFolders LauncherFolders::choose(const QString &programFolder, bool programFolderWritable,
                                        const QString &dataHome) {
    const QString program = QDir::cleanPath(programFolder);
    if (programFolderWritable)
        return {program, program, true};
    return {program, QDir::cleanPath(QDir(dataHome).filePath(QStringLiteral("Quillbarrow"))), false};
}

LauncherFolders LauncherFolders::forProgram(const QString &programFolder) {
    // access() also answers for a read-only mount, which the permission bits do not show.
    const bool writable = ::access(QFile::encodeName(programFolder).constData(), W_OK | X_OK) == 0;
    return choose(programFolder, writable,
                  QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}
