#include "TreeCheck.h"

#include <QDirIterator>
#include <QFile>
#include <QList>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxHops = 40; // as the kernel's ELOOP limit

std::optional<QByteArray> readLink(const QByteArray &path) {
    QByteArray target(4096, '\0');
    const ssize_t n = ::readlink(path.constData(), target.data(), target.size());
    if (n < 0)
        return std::nullopt;
    target.truncate(n);
    return target;
}

QList<QByteArray> parts(const QByteArray &path) {
    return path.split('/');
}

} // namespace

bool TreeCheck::linkStaysInside(const QByteArray &root, const QByteArray &link) {
    // Where we stand, as parts below root: first the folder holding the link.
    QList<QByteArray> at = parts(link.mid(root.size() + 1));
    at.removeLast();
    QList<QByteArray> pending = parts(link.mid(root.size() + 1)).mid(at.size());
    int hops = 0;
    while (!pending.isEmpty()) {
        const QByteArray part = pending.takeFirst();
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (at.isEmpty())
                return false;
            at.removeLast();
            continue;
        }
        QByteArray candidate = root;
        for (const QByteArray &p : at)
            candidate += '/' + p;
        candidate += '/' + part;
        struct stat info {};
        if (::lstat(candidate.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
            if (++hops > MaxHops)
                return true;
            const std::optional<QByteArray> target = readLink(candidate);
            if (!target)
                return true;
            if (target->startsWith('/'))
                return false;
            pending = parts(*target) + pending;
            continue;
        }
        at.append(part);
    }
    return true;
}

QString TreeCheck::firstEscape(const QString &root) {
    const QByteArray rootBytes = QFile::encodeName(root);
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = QFile::encodeName(path);
        struct stat info {};
        if (::lstat(bytes.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            continue;
        if (!linkStaysInside(rootBytes, bytes))
            return path;
    }
    return {};
}
