#include "platform/ZipEntryRules.h"

#include <QByteArrayList>

std::optional<QByteArray> ZipEntryRules::relativePath(const QByteArray &entryName) {
    QByteArray name = entryName;
    name.replace('\\', '/');
    const bool driveLetter =
        name.size() >= 2 && name.at(1) == ':' &&
        ((name.at(0) >= 'a' && name.at(0) <= 'z') || (name.at(0) >= 'A' && name.at(0) <= 'Z'));
    if (name.startsWith('/') || driveLetter)
        return std::nullopt;
    QByteArrayList parts;
    for (const QByteArray &part : name.split('/')) {
        if (part == "..")
            return std::nullopt;
        if (!part.isEmpty() && part != ".")
            parts << part;
    }
    return parts.join('/');
}

bool ZipEntryRules::linkStaysInside(const QByteArray &linkTarget, qsizetype folderDepth) {
    if (linkTarget.isEmpty() || linkTarget.startsWith('/') || linkTarget.contains('\0'))
        return false;
    bool descending = false;
    for (const QByteArray &part : linkTarget.split('/')) {
        if (part == "..") {
            // A ".." after a name would climb from wherever that name leads, maybe another link.
            if (descending || --folderDepth < 0)
                return false;
        } else if (!part.isEmpty() && part != ".") {
            descending = true;
        }
    }
    return true;
}

qsizetype ZipEntryRules::depth(const QByteArray &relativePath) {
    return relativePath.isEmpty() ? 0 : relativePath.count('/') + 1;
}

bool ZipEntryRules::isInside(const QByteArray &root, const QByteArray &path) {
    if (root.isEmpty() || path.isEmpty())
        return false;
    if (root == "/")
        return path.startsWith('/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == '/');
}

qsizetype ZipEntryRules::depthBelow(const QByteArray &root, const QByteArray &path) {
    return depth(path.mid(root == "/" ? 1 : root.size() + 1));
}
