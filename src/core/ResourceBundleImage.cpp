#include "core/ResourceBundleImage.h"

#include <QtEndian>
#include <vector>

namespace {

constexpr quint16 DirectoryFlag = 0x02;

struct Reader {
    QByteArrayView image;

    bool fits(qint64 at, qint64 length) const {
        return at >= 0 && length >= 0 && at + length <= image.size();
    }
    quint32 u32(qint64 at) const { return qFromBigEndian<quint32>(image.data() + at); }
    quint16 u16(qint64 at) const { return qFromBigEndian<quint16>(image.data() + at); }
};

} // namespace

QString CheckResourceBundleImage(QByteArrayView image) {
    const Reader in{image};
    if (!in.fits(0, 20) || image.first(4) != "qres")
        return QStringLiteral("no resource bundle header");
    const quint32 version = in.u32(4);
    if (version < 1 || version > 3)
        return QStringLiteral("unknown resource bundle version %1").arg(version);
    const qint64 tree = in.u32(8);
    const qint64 data = in.u32(12);
    const qint64 names = in.u32(16);
    if (version == 3 && !in.fits(0, 24))
        return QStringLiteral("no resource bundle header");
    if (!in.fits(tree, 0) || !in.fits(data, 0) || !in.fits(names, 0))
        return QStringLiteral("a section lies outside the file");

    const qint64 nodeSize = version >= 2 ? 22 : 14;
    const qint64 nodeCount = (image.size() - tree) / nodeSize;
    if (nodeCount < 1)
        return QStringLiteral("the resource tree is empty");
    auto nodeAt = [&](qint64 index) { return tree + index * nodeSize; };
    if (!(in.u16(nodeAt(0) + 4) & DirectoryFlag))
        return QStringLiteral("the root of the resource tree is not a folder");

    std::vector<bool> seen(static_cast<std::size_t>(nodeCount), false);
    std::vector<qint64> pending{0};
    seen[0] = true;
    while (!pending.empty()) {
        const qint64 node = nodeAt(pending.back());
        pending.pop_back();
        const qint64 name = names + in.u32(node);
        if (!in.fits(name, 6) || !in.fits(name + 6, 2 * qint64(in.u16(name))))
            return QStringLiteral("a resource name lies outside the file");
        if (in.u16(node + 4) & DirectoryFlag) {
            const qint64 count = in.u32(node + 6);
            const qint64 first = in.u32(node + 10);
            if (first < 1 || first + count > nodeCount)
                return QStringLiteral("a folder's entries lie outside the resource tree");
            for (qint64 child = first; child < first + count; ++child) {
                if (seen[static_cast<std::size_t>(child)])
                    return QStringLiteral("the resource tree loops");
                seen[static_cast<std::size_t>(child)] = true;
                pending.push_back(child);
            }
        } else {
            const qint64 block = data + in.u32(node + 10);
            if (!in.fits(block, 4) || !in.fits(block + 4, in.u32(block)))
                return QStringLiteral("a resource's data lies outside the file");
        }
    }
    return {};
}
