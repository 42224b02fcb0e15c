// Sets the version record of a built executable, for packaging a copy under another version.
#include "core/FileVersion.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fputs("usage: quillbarrow-setversion EXECUTABLE a.b.c.d\n", stderr);
        return 2;
    }
    const QByteArray path(argv[1]);
    const WriteFileVersionResult result = WriteFileVersion(path, QByteArray(argv[2]));
    if (!result.ok) {
        std::fprintf(stderr, "quillbarrow-setversion: %s\n", result.error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
