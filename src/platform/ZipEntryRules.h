#pragma once

#include <QByteArray>
#include <optional>

// The lexical rules that keep an archive's entries inside the folder it is extracted to.
class ZipEntryRules {
public:
    // The entry's place below the target as '/'-separated parts ('\' counts as a separator; empty and
    // "." parts dropped), or nothing when the name is absolute ("/x", "C:x") or holds a ".." part.
    static std::optional<QByteArray> relativePath(const QByteArray &entryName);

    // Whether a link target, seen from a folder `folderDepth` levels below the target, stays inside it:
    // relative, without NUL, climbing only with leading ".." parts, never above the target.
    static bool linkStaysInside(const QByteArray &linkTarget, qsizetype folderDepth);

    // Number of parts of a relative path ("" is 0, "a/b" is 2).
    static qsizetype depth(const QByteArray &relativePath);

    // Whether `path` is `root` or below it; both absolute and free of links, as realpath() gives them.
    static bool isInside(const QByteArray &root, const QByteArray &path);

    // depth() of `path` below `root`; `path` must be inside `root`.
    static qsizetype depthBelow(const QByteArray &root, const QByteArray &path);
};
