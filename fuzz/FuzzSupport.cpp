#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "quillbarrow-fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv); // lives as long as the process
}

QString freshFolder(const QString &name) {
    static QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/quillbarrow-fuzz-XXXXXX"));
    if (!scratch.isValid())
        fail("no scratch folder");
    const QString path = scratch.filePath(name);
    QDir folder(path);
    if (folder.exists() && !folder.removeRecursively())
        fail("scratch folder not emptied");
    if (!QDir().mkpath(path))
        fail("scratch folder not made");
    return path;
}

void writeFile(const QString &path, QByteArrayView bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), bytes.size()) != bytes.size())
        fail("scratch file not written");
}

void fail(const char *what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

} // namespace FuzzSupport
