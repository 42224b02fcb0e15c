// The version-record reader on any file, and the writer on every file the reader accepts.
#include "FuzzSupport.h"
#include "core/FileVersion.h"

#include <QDir>
#include <QFile>

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString folder = freshFolder(QStringLiteral("version"));
    const QString path = QDir(folder).filePath(QStringLiteral("Game.exe"));
    writeFile(path, view(data, size));
    const QByteArray file = QFile::encodeName(path);
    const QByteArray version = ReadFileVersion(file);
    if (version.isEmpty())
        return 0;
    if (version.count('.') != 3)
        fail("a version that is not four numbers");
    const WriteFileVersionResult written = WriteFileVersion(file, "65535.0.7.12");
    if (written.ok && ReadFileVersion(file) != "65535.0.7.12")
        fail("a written version does not read back");
    return 0;
}
