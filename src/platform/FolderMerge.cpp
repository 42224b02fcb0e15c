#include "platform/FolderMerge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Kind { Missing, Folder, Other, Unreadable };

Kind kindOf(const QByteArray &path, int &error) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        error = errno;
        return errno == ENOENT ? Kind::Missing : Kind::Unreadable;
    }
    return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
}

// Everything a folder holds, hidden entries and links included, in a fixed order.
QStringList entryNames(const QByteArray &folder) {
    return QDir(QFile::decodeName(folder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class Merge {
public:
    // Checks (apply false) or moves (apply true) what `from` holds into `into`.
    bool run(const QByteArray &from, const QByteArray &into, bool apply) {
        const QStringList names = entryNames(from);
        for (const QString &name : names) {
            const QByteArray source = from + '/' + QFile::encodeName(name);
            const QByteArray target = into + '/' + QFile::encodeName(name);
            int error = 0;
            const Kind sourceKind = kindOf(source, error);
            const Kind targetKind = kindOf(target, error);
            if (sourceKind == Kind::Unreadable || sourceKind == Kind::Missing ||
                targetKind == Kind::Unreadable)
                return fail(QStringLiteral("Cannot read %1: %2").arg(shown(target), systemError(error)));
            if (sourceKind == Kind::Folder && targetKind == Kind::Folder) {
                if (!run(source, target, apply))
                    return false;
                continue;
            }
            if (targetKind == Kind::Folder)
                return fail(
                    QStringLiteral("%1 is a folder; the new file cannot take its place").arg(shown(target)));
            if (sourceKind == Kind::Folder && targetKind == Kind::Other)
                return fail(QStringLiteral("%1 is a file or a link where the new version has a folder")
                                .arg(shown(target)));
            if (apply) {
                if (::rename(source.constData(), target.constData()) != 0)
                    return fail(QStringLiteral("Cannot move %1 into place (%2 moved before it): %3")
                                    .arg(shown(target))
                                    .arg(result.moved)
                                    .arg(systemError(errno)));
                ++result.moved;
            }
        }
        return true;
    }

    bool fail(const QString &error) {
        result.error = error;
        return false;
    }

    static QString shown(const QByteArray &path) {
        return QLatin1Char('"') + QFile::decodeName(path) + QLatin1Char('"');
    }

    FolderMergeResult result;
};

// A copy of the tree `from` at `into` (which must not exist) whose files and links are hard links.
bool linkTree(const QByteArray &from, const QByteArray &into, QString &error) {
    struct stat info {};
    if (::lstat(from.constData(), &info) != 0 || ::mkdir(into.constData(), info.st_mode & 07777) != 0) {
        error = QStringLiteral("Cannot copy %1: %2").arg(QFile::decodeName(from), systemError(errno));
        return false;
    }
    const QStringList names = entryNames(from);
    for (const QString &name : names) {
        const QByteArray source = from + '/' + QFile::encodeName(name);
        const QByteArray target = into + '/' + QFile::encodeName(name);
        int kindError = 0;
        if (kindOf(source, kindError) == Kind::Folder) {
            if (!linkTree(source, target, error))
                return false;
        } else if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), 0) != 0) {
            error = QStringLiteral("Cannot copy %1: %2").arg(QFile::decodeName(source), systemError(errno));
            return false;
        }
    }
    return true;
}

} // namespace

FolderMergeResult FolderMerge::replaceWhole(const QString &from, const QString &into,
                                            const QString &scratch) {
    FolderMergeResult result;
    const QByteArray source = QFile::encodeName(QDir::cleanPath(from));
    const QByteArray target = QFile::encodeName(QDir::cleanPath(into));
    const QByteArray copy = QFile::encodeName(QDir::cleanPath(scratch));
    int error = 0;
    if (kindOf(target, error) == Kind::Missing) {
        QDir().mkpath(QFileInfo(QFile::decodeName(target)).path());
        if (::rename(source.constData(), target.constData()) != 0)
            result.error =
                QStringLiteral("Cannot move %1 into place: %2").arg(Merge::shown(target), systemError(errno));
        result.ok = result.error.isEmpty();
        return result;
    }
    if (!linkTree(target, copy, result.error))
        return result;
    result = moveContents(from, scratch);
    if (!result.ok)
        return result;
    if (::renameat2(AT_FDCWD, copy.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        result.ok = false;
        result.error =
            QStringLiteral("Cannot put %1 in place: %2").arg(Merge::shown(target), systemError(errno));
    }
    return result;
}

FolderMergeResult FolderMerge::moveContents(const QString &from, const QString &into) {
    Merge merge;
    const QByteArray source = QFile::encodeName(QDir::cleanPath(from));
    const QByteArray target = QFile::encodeName(QDir::cleanPath(into));
    int error = 0;
    if (kindOf(source, error) != Kind::Folder) {
        merge.result.error = QStringLiteral("%1 is not a folder").arg(Merge::shown(source));
        return merge.result;
    }
    const Kind targetKind = kindOf(target, error);
    if (targetKind == Kind::Missing) {
        if (!QDir().mkpath(QFile::decodeName(target))) {
            merge.result.error = QStringLiteral("Cannot create %1").arg(Merge::shown(target));
            return merge.result;
        }
    } else if (targetKind != Kind::Folder) {
        merge.result.error = QStringLiteral("%1 is not a folder").arg(Merge::shown(target));
        return merge.result;
    }
    merge.result.ok = merge.run(source, target, false) && merge.run(source, target, true);
    return merge.result;
}
