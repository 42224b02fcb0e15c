#include "platform/ResourceBundle.h"

#include "core/ResourceBundleImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <atomic>
#include <utility>

namespace {

// Every open bundle gets its own root, so the same file opened twice, or two files with the
// same name, never shadow each other.
QString uniqueRoot(const QString &fileName) {
    static std::atomic<int> serial{0};
    QString base = QFileInfo(fileName).completeBaseName();
    for (QChar &c : base)
        if (!c.isLetterOrNumber() && c != u'_' && c != u'-')
            c = u'_';
    return QStringLiteral("/%1-%2").arg(base.isEmpty() ? QStringLiteral("bundle") : base).arg(++serial);
}

// Qt follows the offsets in a bundle without bounds checks; a damaged file must not reach it.
QString check(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const qint64 size = file.size();
    if (size == 0)
        return QStringLiteral("the file is empty");
    uchar *mapped = file.map(0, size);
    if (!mapped)
        return file.errorString();
    const QString damage = CheckResourceBundleImage(QByteArrayView(mapped, size));
    file.unmap(mapped);
    return damage;
}

} // namespace

ResourceBundle::~ResourceBundle() {
    release();
}

ResourceBundle::ResourceBundle(ResourceBundle &&other) noexcept
    : Path(std::exchange(other.Path, {}))
    , FileName(std::exchange(other.FileName, {}))
    , Root(std::exchange(other.Root, {}))
    , LoadError(std::exchange(other.LoadError, {}))
    , Inflated(std::exchange(other.Inflated, {})) {}

ResourceBundle &ResourceBundle::operator=(ResourceBundle &&other) noexcept {
    if (this != &other) {
        release();
        Path = std::exchange(other.Path, {});
        FileName = std::exchange(other.FileName, {});
        Root = std::exchange(other.Root, {});
        LoadError = std::exchange(other.LoadError, {});
        Inflated = std::exchange(other.Inflated, {});
    }
    return *this;
}

ResourceBundle ResourceBundle::open(const QString &path) {
    ResourceBundle bundle;
    const QFileInfo info(path);
    bundle.Path = info.absoluteFilePath();
    bundle.FileName = info.fileName();
    if (!info.exists()) {
        bundle.LoadError = QStringLiteral("%1 does not exist").arg(bundle.Path);
    } else if (!info.isFile() || !info.isReadable()) {
        bundle.LoadError = QStringLiteral("%1 is not a readable file").arg(bundle.Path);
    } else if (const QString damage = check(bundle.Path); !damage.isEmpty()) {
        bundle.LoadError = QStringLiteral("%1 is not a resource bundle: %2").arg(bundle.Path, damage);
    } else {
        const QString root = uniqueRoot(bundle.FileName);
        if (QResource::registerResource(bundle.Path, root))
            bundle.Root = root;
        else
            bundle.LoadError = QStringLiteral("%1 is not a resource bundle").arg(bundle.Path);
    }
    return bundle;
}

QString ResourceBundle::prefix() const {
    return Root.isEmpty() ? QString() : u':' + Root;
}

ResourceBundle::Lookup ResourceBundle::find(const QString &name) const {
    const QString bundleName = FileName.isEmpty() ? QStringLiteral("(no bundle)") : FileName;
    if (!isLoaded()) {
        const QString why = LoadError.isEmpty() ? QStringLiteral("the bundle is not loaded") : LoadError;
        return {{}, QStringLiteral("resource not found: \"%1\" in %2 (%3)").arg(name, bundleName, why)};
    }
    // A name is one path element: "a/../b" must not reach into another bundle's root.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\'))
        return {{}, QStringLiteral("resource not found: \"%1\" in %2").arg(name, bundleName)};
    const QResource resource(prefix() + u'/' + name);
    if (!resource.isValid() || !QFileInfo(resource.fileName()).isFile())
        return {{}, QStringLiteral("resource not found: \"%1\" in %2").arg(name, bundleName)};
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return {QByteArrayView(resource.data(), resource.size()), {}};
    auto it = Inflated.find(name);
    if (it == Inflated.end())
        it = Inflated.emplace(name, resource.uncompressedData()).first;
    return {QByteArrayView(it->second), {}};
}

QStringList ResourceBundle::names() const {
    if (!isLoaded())
        return {};
    return QDir(prefix()).entryList(QDir::Files, QDir::Name);
}

void ResourceBundle::release() {
    if (!Root.isEmpty())
        QResource::unregisterResource(Path, Root);
    Root.clear();
    Inflated.clear();
}
