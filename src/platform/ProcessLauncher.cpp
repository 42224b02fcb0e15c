#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <sys/stat.h>

namespace {

// u+x always; g+x and o+x only where those may read it, so nobody gains more than they had.
void makeExecutable(const QString &program) {
    const QByteArray path = QFile::encodeName(program);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    mode_t mode = info.st_mode | S_IXUSR;
    if (mode & S_IRGRP)
        mode |= S_IXGRP;
    if (mode & S_IROTH)
        mode |= S_IXOTH;
    if (mode != info.st_mode)
        ::chmod(path.constData(), mode & 07777); // may fail on a file of another user; the start then tells
}

// Like a program started from a desktop shell: no terminal, nothing to read or write.
bool startDetached(const QString &program, const QStringList &arguments, const QString &workingFolder) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

bool startProgram(const QString &program, const QByteArray &parameters, const QString &workingFolder) {
    if (program.isEmpty())
        return false;
    // The child changes to the working folder before it starts the program, so a relative path
    // would be looked up there; it is meant from here.
    const QString path = program.contains(QLatin1Char('/')) ? QFileInfo(program).absoluteFilePath() : program;
    makeExecutable(path);
    return startDetached(path, QProcess::splitCommand(QString::fromUtf8(parameters)), workingFolder);
}

bool removeFolderDetached(const QString &absoluteFolder) {
    if (absoluteFolder.isEmpty() || !QDir::isAbsolutePath(absoluteFolder))
        return false;
    // cleanPath keeps a leading "/..", which names the root as well.
    const QString folder = QDir::cleanPath(absoluteFolder);
    if (folder == QStringLiteral("/") || folder.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return false;
    // An argument list, never shell text: names may hold blanks, ";" or "$(...)".
    // --one-file-system keeps a mount inside the folder (or a bind of /home) out of reach.
    return startDetached(
        QStringLiteral("rm"),
        {QStringLiteral("-rf"), QStringLiteral("--one-file-system"), QStringLiteral("--"), folder},
        QDir::rootPath());
}
