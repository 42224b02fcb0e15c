#include "GameArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <zip.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;

} // namespace

// Incompressible data, like packed assets.
QByteArray noise(qint64 size, quint32 seed) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    return data;
}

// Records that deflate to about a third, like level or entity data.
QByteArray records(qint64 size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray data;
    data.reserve(size + 128);
    for (qint64 i = 0; data.size() < size; ++i)
        data += "entity " + QByteArray::number(i) + " x=" + QByteArray::number(generator.bounded(100000)) +
                " y=" + QByteArray::number(generator.bounded(100000)) + " model=props/crate_" +
                QByteArray::number(generator.bounded(40)) + ".mdl\n";
    data.truncate(size);
    return data;
}

GameArchive buildGameArchive(const QString &work, int divisor) {
    GameArchive archive;
    const QString sources = QDir(work).filePath(QStringLiteral("sources"));
    QStringList names;
    const auto put = [&](const QString &name, const QByteArray &data) {
        const QString path = sources + u'/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return false;
        names << name;
        archive.unpackedBytes += data.size();
        return true;
    };
    for (int i = 0; i < 8; ++i)
        if (!put(QStringLiteral("Paks/pak%1.bin").arg(i), noise(32 * MiB / divisor, quint32(i))) ||
            !put(QStringLiteral("Data/level%1.dat").arg(i), records(32 * MiB / divisor, quint32(100 + i))))
            return {};
    QRandomGenerator sizes(7);
    for (int i = 0; i < 4000 / divisor; ++i) {
        const qint64 size = 4096 + sizes.bounded(28 * 1024);
        const QByteArray data = i % 2 ? noise(size, quint32(1000 + i)) : records(size, quint32(1000 + i));
        if (!put(QStringLiteral("Config/%1/item%2.cfg").arg(i / 100).arg(i), data))
            return {};
    }

    const QString path = QDir(work).filePath(QStringLiteral("game.zip"));
    int code = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip)
        return {};
    for (const QString &name : std::as_const(names)) {
        zip_source_t *source =
            zip_source_file(zip, QFile::encodeName(sources + u'/' + name).constData(), 0, -1);
        const zip_int64_t index =
            source ? zip_file_add(zip, QFile::encodeName(name).constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_discard(zip);
            return {};
        }
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 6);
    }
    if (zip_close(zip) != 0)
        return {};
    QDir(sources).removeRecursively();
    archive.path = path;
    archive.packedBytes = QFileInfo(path).size();
    archive.files = int(names.size());
    return archive;
}
