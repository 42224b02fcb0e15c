#include "platform/ZipExtractor.h"

#include "platform/ZipEntryRules.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace {

constexpr qsizetype ChunkSize = 128 * 1024;
constexpr zip_uint64_t MaxLinkTarget = 4095;
constexpr mode_t DefaultFileMode = 0644;

struct ArchiveCloser {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using EntryPtr = std::unique_ptr<zip_file_t, EntryCloser>;

enum class EntryKind { Folder, File, Link };

struct Entry {
    zip_uint64_t index = 0;
    QByteArray storedName;
    QString displayName;
    QByteArray path; // below the target, '/'-separated, no empty, "." or ".." parts
    EntryKind kind = EntryKind::File;
    zip_uint64_t size = 0;
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    mode_t mode = DefaultFileMode;
    QByteArray linkTarget;
};

QString quoted(const QString &text) {
    return u'"' + text + u'"';
}

QString systemError(int code) {
    return qt_error_string(code);
}

QString zipError(int code) {
    // The few a player meets, in words that say what is wrong with the file.
    switch (code) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("it is not a zip archive (an error page or another file in its place?)");
    case ZIP_ER_INCONS:
        return QStringLiteral("it is damaged: its list of files does not match its contents");
    case ZIP_ER_EXISTS:
        return QStringLiteral("it holds two files of the same name");
    case ZIP_ER_MULTIDISK:
        return QStringLiteral("it is one part of an archive split into several files");
    default:
        break;
    }
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

bool isFolderName(const QByteArray &name) {
    return name.endsWith('/') || name.endsWith('\\');
}

QByteArray parentOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash);
}

QByteArray realPath(const QByteArray &path) {
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    const QByteArray result(real);
    std::free(real);
    return result;
}

// A zip end record near the end, but no zip entry at the start: something was put in front of it.
// libzip reads the offsets of the central directory as they are, so such an archive cannot be read.
bool hasLeadingBytes(const QString &archivePath) {
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadOnly) || file.read(4) == QByteArrayView("PK\x03\x04"))
        return false;
    constexpr qint64 endRecordReach = 22 + 65535;
    file.seek(std::max<qint64>(0, file.size() - endRecordReach));
    return file.read(endRecordReach).contains(QByteArrayView("PK\x05\x06"));
}

ArchivePtr openArchive(const QString &archivePath, QString &error) {
    const QByteArray native = QFile::encodeName(archivePath);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        error = QStringLiteral("Cannot open the archive %1: %2").arg(quoted(archivePath), systemError(errno));
        return {};
    }
    // libzip takes an empty file for an empty archive; a download that came back empty is not one.
    if (!S_ISREG(info.st_mode) || info.st_size == 0) {
        error = QStringLiteral("Cannot open the archive %1: not a zip archive").arg(quoted(archivePath));
        return {};
    }
    int code = 0;
    // Without libzip's stricter checks: an archive whose comment does not match its stated length
    // still reads, and every entry is checked against its local header and its checksum as it is
    // read; two entries of one name are refused by the layout check, in words of our own.
    ArchivePtr archive(zip_open(native.constData(), ZIP_RDONLY, &code));
    if (!archive && code == ZIP_ER_NOZIP && hasLeadingBytes(archivePath))
        error = QStringLiteral("Cannot open the archive %1: it has other data before the zip data (a "
                               "self-extracting program?); only a plain zip archive can be installed")
                    .arg(quoted(archivePath));
    else if (!archive)
        error = QStringLiteral("Cannot open the archive %1: %2").arg(quoted(archivePath), zipError(code));
    return archive;
}

// Reads the whole data of a small entry; the read past its end is what makes libzip check the CRC.
bool readSmallEntry(zip_t *archive, const Entry &entry, QByteArray &data, QString &error) {
    EntryPtr file(zip_fopen_index(archive, entry.index, 0));
    if (!file) {
        error = QStringLiteral("Cannot read %1 from the archive: %2")
                    .arg(quoted(entry.displayName), QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    data.resize(qsizetype(entry.size) + 1);
    qsizetype got = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), data.data() + got, zip_uint64_t(data.size() - got));
        if (n < 0) {
            error = QStringLiteral("Cannot read %1 from the archive: %2")
                        .arg(quoted(entry.displayName), QString::fromUtf8(zip_file_strerror(file.get())));
            return false;
        }
        if (n == 0)
            break;
        got += qsizetype(n);
        if (zip_uint64_t(got) > entry.size || got == data.size())
            break;
    }
    if (zip_uint64_t(got) != entry.size) {
        error =
            QStringLiteral("The archive entry %1 does not match its header").arg(quoted(entry.displayName));
        return false;
    }
    data.resize(got);
    return true;
}

bool readEntries(zip_t *archive, std::vector<Entry> &entries, QString &error) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0) {
        error = QStringLiteral("Cannot read the archive's entries: %1")
                    .arg(QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    entries.reserve(std::size_t(count));
    for (zip_uint64_t i = 0; i < zip_uint64_t(count); ++i) {
        Entry entry;
        entry.index = i;
        const char *stored = zip_get_name(archive, i, ZIP_FL_ENC_RAW);
        const char *decoded = zip_get_name(archive, i, ZIP_FL_ENC_GUESS);
        zip_stat_t stat;
        zip_stat_init(&stat);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (!stored || !decoded || zip_stat_index(archive, i, 0, &stat) != 0 ||
            zip_file_get_external_attributes(archive, i, 0, &system, &attributes) != 0) {
            error = QStringLiteral("Cannot read entry %1 of the archive: %2")
                        .arg(i)
                        .arg(QString::fromUtf8(zip_strerror(archive)));
            return false;
        }
        entry.storedName = QByteArray(stored);
        const QByteArray name(decoded);
        entry.displayName = QString::fromUtf8(name);
        entry.size = stat.size;
        entry.compressedSize = static_cast<quint32>(stat.comp_size);
        entry.uncompressedSize = static_cast<quint32>(stat.size);

        const mode_t unixMode = system == ZIP_OPSYS_UNIX ? mode_t(attributes >> 16) : 0;
        if (isFolderName(entry.storedName))
            entry.kind = EntryKind::Folder;
        else if (S_ISLNK(unixMode))
            entry.kind = EntryKind::Link;
        if ((unixMode & 0777) != 0)
            entry.mode = unixMode & 0777;

        const std::optional<QByteArray> path = ZipEntryRules::relativePath(name);
        if (!path) {
            error = QStringLiteral("The archive entry %1 would be written outside the target folder")
                        .arg(quoted(entry.displayName));
            return false;
        }
        entry.path = *path;
        if (entry.kind != EntryKind::Folder && entry.path.isEmpty()) {
            error = QStringLiteral("The archive entry %1 has no file name").arg(quoted(entry.displayName));
            return false;
        }
        if (entry.kind != EntryKind::Folder && stat.encryption_method != ZIP_EM_NONE) {
            error = QStringLiteral("The archive entry %1 is encrypted").arg(quoted(entry.displayName));
            return false;
        }
        if (entry.kind != EntryKind::Folder && !zip_compression_method_supported(stat.comp_method, 0)) {
            error = QStringLiteral("The archive entry %1 uses an unsupported compression method")
                        .arg(quoted(entry.displayName));
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

// One name, one thing: no name twice, and no file or link where another entry needs a folder.
bool checkLayout(const std::vector<Entry> &entries, QString &error) {
    QHash<QByteArray, const Entry *> files;
    QHash<QByteArray, const Entry *> folders;
    for (const Entry &entry : entries) {
        if (entry.kind != EntryKind::Folder) {
            if (files.contains(entry.path)) {
                error = QStringLiteral("The archive holds two files named %1").arg(quoted(entry.displayName));
                return false;
            }
            files.insert(entry.path, &entry);
        } else if (!entry.path.isEmpty()) {
            folders.insert(entry.path, &entry);
        }
        for (QByteArray folder = parentOf(entry.path); !folder.isEmpty(); folder = parentOf(folder))
            folders.insert(folder, &entry);
    }
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const auto folder = folders.constFind(it.key());
        if (folder != folders.cend()) {
            error = QStringLiteral("The archive entry %1 is a file, but %2 needs a folder of that name")
                        .arg(quoted(it.value()->displayName), quoted(folder.value()->displayName));
            return false;
        }
    }
    return true;
}

bool readLinkTargets(zip_t *archive, std::vector<Entry> &entries, QString &error) {
    for (Entry &entry : entries) {
        if (entry.kind != EntryKind::Link)
            continue;
        if (entry.size > MaxLinkTarget) {
            error =
                QStringLiteral("The archive link %1 has an overlong target").arg(quoted(entry.displayName));
            return false;
        }
        if (!readSmallEntry(archive, entry, entry.linkTarget, error))
            return false;
        if (!ZipEntryRules::linkStaysInside(entry.linkTarget, ZipEntryRules::depth(parentOf(entry.path)))) {
            error = QStringLiteral("The archive link %1 points outside the target folder (to %2)")
                        .arg(quoted(entry.displayName), quoted(QFile::decodeName(entry.linkTarget)));
            return false;
        }
    }
    return true;
}

// A new file under a temporary name in its folder; removed again unless kept.
class TempFile {
public:
    explicit TempFile(const QByteArray &folder)
        : m_path(folder + "/.qbx-XXXXXX")
        , m_fd(::mkostemp(m_path.data(), O_CLOEXEC))
        , m_created(m_fd >= 0) {}
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_created)
            ::unlink(m_path.constData());
    }

    int fd() const { return m_fd; }
    const QByteArray &path() const { return m_path; }
    int close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }
    void keep() { m_created = false; }

private:
    QByteArray m_path;
    int m_fd;
    bool m_created;
};

bool writeAll(int fd, const char *data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The state of one extraction call; a nested call from the progress callback gets its own.
class Extraction {
public:
    Extraction(zip_t *archive, QByteArray root, const ZipProgress &progress, const std::atomic_bool *stop)
        : m_archive(archive)
        , m_root(std::move(root))
        , m_progress(progress)
        , m_stop(stop) {}

    // Refuses before anything is written when a folder already on disk would lead an entry outside.
    bool checkFoldersOnDisk(const std::vector<Entry> &entries) {
        QSet<QByteArray> seen;
        for (const Entry &entry : entries) {
            const QByteArray folder = entry.kind == EntryKind::Folder ? entry.path : parentOf(entry.path);
            if (!seen.contains(folder) && !walkFolders(folder, false, entry))
                return false;
            seen.insert(folder);
        }
        return true;
    }

    bool write(const Entry &entry) {
        if (stopped())
            return fail(QStringLiteral("The extraction was stopped"));
        switch (entry.kind) {
        case EntryKind::Folder:
            return walkFolders(entry.path, true, entry);
        case EntryKind::File:
            return writeFile(entry);
        case EntryKind::Link:
            return writeLink(entry);
        }
        return false;
    }

    ZipExtractResult result;

private:
    QByteArray onDisk(const QByteArray &path) const { return path.isEmpty() ? m_root : m_root + '/' + path; }

    bool fail(const QString &error) {
        result.error = error;
        return false;
    }

    void report(const Entry &entry, qint64 position) const {
        if (m_progress)
            m_progress(entry.storedName, entry.compressedSize, entry.uncompressedSize, position);
    }

    // Walks the folders of `folder` one by one, creating missing ones when asked. A folder that is a link
    // is followed only when it leads to a place inside the target.
    bool walkFolders(const QByteArray &folder, bool create, const Entry &entry) {
        if (folder.isEmpty())
            return true;
        QByteArray relative;
        const QByteArrayList parts = folder.split('/');
        for (const QByteArray &part : parts) {
            relative += relative.isEmpty() ? part : '/' + part;
            const QByteArray path = onDisk(relative);
            const QString shown = quoted(QFile::decodeName(relative));
            struct stat info {};
            if (::lstat(path.constData(), &info) != 0) {
                if (errno != ENOENT)
                    return fail(
                        QStringLiteral("Cannot reach the folder %1: %2").arg(shown, systemError(errno)));
                if (!create)
                    return true;
                if (::mkdir(path.constData(), 0777) != 0 && errno != EEXIST)
                    return fail(
                        QStringLiteral("Cannot create the folder %1: %2").arg(shown, systemError(errno)));
                if (::lstat(path.constData(), &info) != 0)
                    return fail(
                        QStringLiteral("Cannot reach the folder %1: %2").arg(shown, systemError(errno)));
            }
            if (S_ISLNK(info.st_mode)) {
                if (!ZipEntryRules::isInside(m_root, realPath(path)))
                    return fail(
                        QStringLiteral("The archive entry %1 would be written through the link %2, which "
                                       "leads outside the target folder")
                            .arg(quoted(entry.displayName), shown));
                if (::stat(path.constData(), &info) != 0)
                    return fail(
                        QStringLiteral("Cannot reach the folder %1: %2").arg(shown, systemError(errno)));
            }
            if (!S_ISDIR(info.st_mode))
                return fail(
                    QStringLiteral("Cannot create the folder %1 for %2: a file of that name is in the way")
                        .arg(shown, quoted(entry.displayName)));
        }
        return true;
    }

    bool writeFile(const Entry &entry) {
        const QByteArray folder = parentOf(entry.path);
        if (!walkFolders(folder, true, entry))
            return false;
        report(entry, 0);
        const QString name = quoted(entry.displayName);
        TempFile temp(onDisk(folder));
        if (temp.fd() < 0)
            return fail(QStringLiteral("Cannot write %1: %2").arg(name, systemError(errno)));
        EntryPtr file(zip_fopen_index(m_archive, entry.index, 0));
        if (!file)
            return fail(QStringLiteral("Cannot read %1 from the archive: %2")
                            .arg(name, QString::fromUtf8(zip_strerror(m_archive))));
        if (m_buffer.isEmpty())
            m_buffer.resize(ChunkSize);

        qint64 position = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), m_buffer.data(), zip_uint64_t(m_buffer.size()));
            if (n < 0)
                return fail(QStringLiteral("Cannot read %1 from the archive: %2")
                                .arg(name, QString::fromUtf8(zip_file_strerror(file.get()))));
            if (n == 0)
                break;
            if (stopped())
                return fail(QStringLiteral("The extraction was stopped"));
            if (zip_uint64_t(position + n) > entry.size)
                return fail(
                    QStringLiteral("The archive entry %1 holds more data than its header says").arg(name));
            if (!writeAll(temp.fd(), m_buffer.constData(), qsizetype(n)))
                return fail(QStringLiteral("Cannot write %1: %2").arg(name, systemError(errno)));
            position += n;
            // The end is reported only once the data passed the CRC check and the file is in place.
            if (zip_uint64_t(position) < entry.size)
                report(entry, position);
        }
        if (zip_uint64_t(position) != entry.size)
            return fail(QStringLiteral("The archive entry %1 ends early").arg(name));
        if (::fchmod(temp.fd(), entry.mode) != 0 || temp.close() != 0 ||
            ::rename(temp.path().constData(), onDisk(entry.path).constData()) != 0)
            return fail(QStringLiteral("Cannot write %1: %2").arg(name, systemError(errno)));
        temp.keep();
        ++result.filesWritten;
        result.bytesWritten += position;
        if (position > 0)
            report(entry, position);
        return true;
    }

    bool writeLink(const Entry &entry) {
        const QByteArray folder = parentOf(entry.path);
        if (!walkFolders(folder, true, entry))
            return false;
        // Measured again on disk: a folder on the way may itself be a link.
        const QByteArray realFolder = realPath(onDisk(folder));
        if (!ZipEntryRules::isInside(m_root, realFolder) ||
            !ZipEntryRules::linkStaysInside(entry.linkTarget, ZipEntryRules::depthBelow(m_root, realFolder)))
            return fail(QStringLiteral("The archive link %1 points outside the target folder (to %2)")
                            .arg(quoted(entry.displayName), quoted(QFile::decodeName(entry.linkTarget))));
        report(entry, 0);
        QByteArray temp;
        int error = EEXIST;
        for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
            temp =
                onDisk(folder) + "/.qbx-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            error = ::symlink(entry.linkTarget.constData(), temp.constData()) == 0 ? 0 : errno;
        }
        if (error == 0 && ::rename(temp.constData(), onDisk(entry.path).constData()) != 0) {
            error = errno;
            ::unlink(temp.constData());
        }
        if (error != 0)
            return fail(
                QStringLiteral("Cannot write %1: %2").arg(quoted(entry.displayName), systemError(error)));
        ++result.filesWritten;
        result.bytesWritten += entry.linkTarget.size();
        report(entry, entry.linkTarget.size());
        return true;
    }

    bool stopped() const { return m_stop && m_stop->load(); }

    zip_t *m_archive;
    QByteArray m_root;
    const ZipProgress &m_progress;
    const std::atomic_bool *m_stop;
    QByteArray m_buffer;
};

} // namespace

ZipListing ZipExtractor::list(const QString &archivePath) {
    ZipListing listing;
    const ArchivePtr archive = openArchive(archivePath, listing.error);
    if (!archive)
        return listing;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0) {
        listing.error = QStringLiteral("Cannot read the entries of the archive %1: %2")
                            .arg(quoted(archivePath), QString::fromUtf8(zip_strerror(archive.get())));
        return listing;
    }
    for (zip_uint64_t i = 0; i < zip_uint64_t(count); ++i) {
        const char *name = zip_get_name(archive.get(), i, ZIP_FL_ENC_RAW);
        if (!name) {
            listing.error = QStringLiteral("Cannot read entry %1 of the archive %2: %3")
                                .arg(QString::number(i), quoted(archivePath),
                                     QString::fromUtf8(zip_strerror(archive.get())));
            return listing;
        }
        if (isFolderName(QByteArray(name)))
            ++listing.folderCount;
    }
    listing.entryCount = count;
    listing.ok = true;
    return listing;
}

ZipExtractResult ZipExtractor::extract(const QString &archivePath, const QString &targetFolder,
                                       const ZipProgress &progress, const std::atomic_bool *stop) {
    ZipExtractResult failed;
    const ArchivePtr archive = openArchive(archivePath, failed.error);
    std::vector<Entry> entries;
    if (!archive || !readEntries(archive.get(), entries, failed.error) ||
        !checkLayout(entries, failed.error) || !readLinkTargets(archive.get(), entries, failed.error))
        return failed;

    if (targetFolder.isEmpty() || !QDir().mkpath(targetFolder)) {
        failed.error = QStringLiteral("Cannot create the folder %1").arg(quoted(targetFolder));
        return failed;
    }
    const QByteArray root = realPath(QFile::encodeName(targetFolder));
    if (root.isEmpty()) {
        failed.error =
            QStringLiteral("Cannot reach the folder %1: %2").arg(quoted(targetFolder), systemError(errno));
        return failed;
    }

    Extraction extraction(archive.get(), root, progress, stop);
    if (!extraction.checkFoldersOnDisk(entries))
        return extraction.result;
    for (const Entry &entry : entries) {
        if (!extraction.write(entry))
            return extraction.result;
    }
    extraction.result.ok = true;
    return extraction.result;
}
