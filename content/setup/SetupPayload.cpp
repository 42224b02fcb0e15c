#include "SetupPayload.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <utility>

namespace {

const QByteArray Magic("QBSETUP1");
constexpr qint64 TrailerSize = 8 + 4 + 4 + 8; // table offset, table size, entry count, magic
constexpr quint32 MaxEntries = 64;
constexpr qint64 Chunk = 1 << 20;

bool copyRange(QIODevice &from, const QString &fromName, QIODevice &to, qint64 size, QCryptographicHash &hash,
               QString *error) {
    QByteArray buffer;
    while (size > 0) {
        buffer = from.read(qMin(size, Chunk));
        if (buffer.isEmpty()) {
            *error = QStringLiteral("unexpected end of %1").arg(fromName);
            return false;
        }
        hash.addData(buffer);
        if (to.write(buffer) != buffer.size()) {
            *error = to.errorString();
            return false;
        }
        size -= buffer.size();
    }
    return true;
}

} // namespace

bool SetupPayload::isPlainName(const QString &name) {
    return !name.isEmpty() && name.size() <= 255 && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0)) && !name.contains(u'\n') &&
           !name.contains(u'\r');
}

std::optional<SetupPayload> SetupPayload::open(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const qint64 length = file.size();
    const QString damaged = QStringLiteral("%1 carries no intact set of launcher files").arg(path);
    if (length < TrailerSize || !file.seek(length - TrailerSize)) {
        *error = damaged;
        return std::nullopt;
    }
    QDataStream trailer(file.read(TrailerSize));
    trailer.setByteOrder(QDataStream::LittleEndian);
    quint64 tableOffset = 0;
    quint32 tableSize = 0, count = 0;
    trailer >> tableOffset >> tableSize >> count;
    QByteArray magic(8, '\0');
    trailer.readRawData(magic.data(), 8);
    const qint64 tableEnd = length - TrailerSize;
    if (trailer.status() != QDataStream::Ok || magic != Magic || count == 0 || count > MaxEntries ||
        tableOffset > quint64(tableEnd) || qint64(tableOffset) + qint64(tableSize) != tableEnd ||
        !file.seek(qint64(tableOffset))) {
        *error = damaged;
        return std::nullopt;
    }

    SetupPayload payload;
    payload.m_path = path;
    QDataStream table(file.read(tableSize));
    table.setByteOrder(QDataStream::LittleEndian);
    for (quint32 i = 0; i < count; ++i) {
        PayloadEntry entry;
        QByteArray name, digest(32, '\0');
        quint64 offset = 0, size = 0;
        table >> name >> entry.mode >> offset >> size;
        table.readRawData(digest.data(), 32);
        entry.name = QString::fromUtf8(name);
        entry.offset = qint64(offset);
        entry.size = qint64(size);
        entry.sha256 = digest;
        // Every file lies between the stub and the table, and no name leaves the folder.
        if (table.status() != QDataStream::Ok || !isPlainName(entry.name) || (entry.mode & ~07777u) != 0 ||
            offset > tableOffset || size > tableOffset - offset) {
            *error = damaged;
            return std::nullopt;
        }
        for (const PayloadEntry &other : payload.m_entries)
            if (other.name == entry.name) {
                *error = damaged;
                return std::nullopt;
            }
        payload.m_entries << entry;
    }
    if (!table.atEnd()) {
        *error = damaged;
        return std::nullopt;
    }
    return payload;
}

bool SetupPayload::copyTo(const PayloadEntry &entry, QIODevice &target, QString *error) const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(entry.offset)) {
        *error = QStringLiteral("cannot read %1: %2").arg(m_path, file.errorString());
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!copyRange(file, m_path, target, entry.size, hash, error))
        return false;
    if (hash.result() != entry.sha256) {
        *error = QStringLiteral("the copy of %1 inside %2 is damaged").arg(entry.name, m_path);
        return false;
    }
    return true;
}

bool SetupPayload::write(const QString &stub, const QStringList &files, const QString &out, QString *error) {
    if (files.isEmpty() || files.size() > qsizetype(MaxEntries)) {
        *error = QStringLiteral("a setup program carries 1 to %1 files").arg(MaxEntries);
        return false;
    }
    QSaveFile target(out);
    if (!target.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(out, target.errorString());
        return false;
    }
    QList<PayloadEntry> entries;
    qint64 position = 0;
    bool isStub = true;
    for (const QString &path : QStringList{stub} + files) {
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, source.errorString());
            return false;
        }
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const qint64 size = source.size();
        if (!copyRange(source, path, target, size, hash, error))
            return false;
        if (!std::exchange(isStub, false)) {
            const QFileInfo info(path);
            const bool executable = info.permissions().testFlag(QFile::ExeOwner);
            entries << PayloadEntry{info.fileName(), executable ? 0755u : 0644u, position, size,
                                    hash.result()};
            if (!isPlainName(info.fileName())) {
                *error = QStringLiteral("%1 cannot be carried").arg(path);
                return false;
            }
        }
        position += size;
    }

    QByteArray table;
    QDataStream stream(&table, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    for (const PayloadEntry &entry : entries) {
        stream << entry.name.toUtf8() << entry.mode << quint64(entry.offset) << quint64(entry.size);
        stream.writeRawData(entry.sha256.constData(), 32);
    }
    QByteArray trailer;
    QDataStream tail(&trailer, QIODevice::WriteOnly);
    tail.setByteOrder(QDataStream::LittleEndian);
    tail << quint64(position) << quint32(table.size()) << quint32(entries.size());
    tail.writeRawData(Magic.constData(), Magic.size());
    if (target.write(table) != table.size() || target.write(trailer) != trailer.size() || !target.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(out, target.errorString());
        return false;
    }
    QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    return true;
}
