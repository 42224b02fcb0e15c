// Builds a setup program: quillbarrow-setup-pack STUB OUT FILE...
// OUT is STUB with the files appended; they are what the setup puts into the launcher's folder.
#include "SetupPayload.h"

#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc < 4) {
        std::fputs("usage: quillbarrow-setup-pack STUB OUT FILE...\n", stderr);
        return 2;
    }
    QStringList files;
    for (int i = 3; i < argc; ++i)
        files << QString::fromLocal8Bit(argv[i]);
    QString error;
    if (!SetupPayload::write(QString::fromLocal8Bit(argv[1]), files, QString::fromLocal8Bit(argv[2]),
                             &error)) {
        std::fprintf(stderr, "quillbarrow-setup-pack: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
