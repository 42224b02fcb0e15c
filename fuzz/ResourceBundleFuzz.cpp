// Resource bundles: the image check on any bytes. An image the check passes is opened as the launcher
// opens a bundle file, every resource is read, and the same image is also handed to Qt from an exact
// heap copy, so that a read past its end shows as an AddressSanitizer report.
#include "FuzzSupport.h"
#include "core/ResourceBundleImage.h"
#include "platform/ResourceBundle.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <cstring>
#include <memory>

using namespace FuzzSupport;

namespace {

void readEverything(const QString &root) {
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    int budget = 256; // a valid tree may still be wide; what matters is that each read stays inside
    while (it.hasNext() && budget-- > 0) {
        const QString path = it.next();
        const QResource resource(path);
        if (!resource.isValid() || !QFileInfo(path).isFile())
            continue;
        if (resource.compressionAlgorithm() == QResource::NoCompression)
            (void)QByteArray(reinterpret_cast<const char *>(resource.data()), resource.size());
        else if (resource.uncompressedSize() <= 64 * 1024 * 1024) // as the launcher's bundles allow
            (void)resource.uncompressedData();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView image = view(data, size);
    if (!CheckResourceBundleImage(image).isEmpty())
        return 0;

    const QString folder = freshFolder(QStringLiteral("bundle"));
    const QString path = QDir(folder).filePath(QStringLiteral("Quillbarrow01.dll"));
    writeFile(path, image);
    {
        ResourceBundle bundle = ResourceBundle::open(path);
        const QStringList names = bundle.names();
        for (const QString &name : names)
            (void)bundle.find(name).Data.toByteArray();
        (void)bundle.find(QStringLiteral("ButtonPlay"));
    }

    const std::unique_ptr<uchar[]> copy(new uchar[size]);
    std::memcpy(copy.get(), data, size);
    static const QString root = QStringLiteral("/fuzz-copy");
    if (QResource::registerResource(copy.get(), root)) {
        readEverything(u':' + root);
        QResource::unregisterResource(copy.get(), root);
    }
    return 0;
}
