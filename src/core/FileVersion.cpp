#include "core/FileVersion.h"

#include <QFile>
#include <QFileDevice>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr char ElfMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr quint32 RecordSignature = 0xFEEF04BDu;
constexpr int RecordWords = 13;
constexpr quint64 RecordSize = RecordWords * 4;
// Word positions inside the record.
constexpr int FileVersionMS = 2;
constexpr int ProductVersionMS = 4;

// The section name with its terminating zero: a longer name must not match.
constexpr char SectionName[] = ".fileversion";
constexpr quint64 SectionNameSize = sizeof(SectionName);

constexpr quint32 SectionTypeNoBits = 8;
constexpr quint32 SectionIndexExtended = 0xFFFF;
// Section headers are read in batches of this many entries.
constexpr quint64 SectionBatch = 64;
constexpr quint64 SmallStringTable = 64 * 1024;

struct RecordLocation {
    quint64 offset = 0;
    bool bigEndian = false;
    std::array<quint32, RecordWords> words{};
};

struct SectionHeader {
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
    quint32 link = 0;
};

// Reads an ELF file through explicit offsets, every one checked against the file's length, so a
// damaged or hostile file can neither make it read past the end nor allocate more than it holds.
class ElfReader {
public:
    explicit ElfReader(QFile &file)
        : m_file(file)
        , m_size(quint64(file.size())) {}

    std::optional<RecordLocation> findRecord() {
        const std::optional<QByteArray> ident = readAt(0, 16);
        if (!ident || std::memcmp(ident->constData(), ElfMagic, sizeof(ElfMagic)) != 0)
            return std::nullopt;
        const char elfClass = ident->at(4);
        const char data = ident->at(5);
        if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2))
            return std::nullopt;
        m_wide = elfClass == 2;
        m_bigEndian = data == 2;

        const std::optional<QByteArray> header = readAt(0, m_wide ? 64 : 52);
        if (!header)
            return std::nullopt;
        const quint64 shoff = m_wide ? u64(*header, 40) : u32(*header, 32);
        m_entrySize = u16(*header, m_wide ? 58 : 46);
        quint64 count = u16(*header, m_wide ? 60 : 48);
        quint64 stringIndex = u16(*header, m_wide ? 62 : 50);
        if (shoff == 0 || m_entrySize < (m_wide ? 64u : 40u) || shoff > m_size)
            return std::nullopt;
        // Bounds the count by what the file can hold before any header is read.
        const quint64 room = (m_size - shoff) / m_entrySize;
        if (room == 0)
            return std::nullopt;
        m_tableOffset = shoff;

        // More than 0xFF00 sections: the real count and string table index live in section 0.
        if (count == 0 || stringIndex == SectionIndexExtended) {
            const std::optional<SectionHeader> first = section(0);
            if (!first)
                return std::nullopt;
            if (count == 0)
                count = first->size;
            if (stringIndex == SectionIndexExtended)
                stringIndex = first->link;
        }
        if (count == 0 || count > room || stringIndex >= count)
            return std::nullopt;

        const std::optional<SectionHeader> strings = section(stringIndex);
        if (!strings || strings->type == SectionTypeNoBits || !fits(strings->offset, strings->size))
            return std::nullopt;

        // A usual string table is a few hundred bytes: one read instead of one per section.
        std::optional<QByteArray> names;
        if (strings->size <= SmallStringTable) {
            names = readAt(strings->offset, strings->size);
            if (!names)
                return std::nullopt;
        }

        for (quint64 first = 0; first < count; first += SectionBatch) {
            const quint64 batch = std::min(SectionBatch, count - first);
            const std::optional<QByteArray> table = readAt(shoff + first * m_entrySize, batch * m_entrySize);
            if (!table)
                return std::nullopt;
            for (quint64 i = 0; i < batch; ++i) {
                const SectionHeader s = parseSection(*table, int(i * m_entrySize));
                if (s.type == SectionTypeNoBits || s.size < RecordSize || s.name > strings->size ||
                    strings->size - s.name < SectionNameSize)
                    continue;
                const std::optional<QByteArray> name =
                    names ? std::optional(names->mid(qsizetype(s.name), qsizetype(SectionNameSize)))
                          : readAt(strings->offset + s.name, SectionNameSize);
                if (!name || std::memcmp(name->constData(), SectionName, SectionNameSize) != 0)
                    continue;
                // The first section of that name decides; a damaged one is not skipped over.
                return readRecord(s.offset);
            }
        }
        return std::nullopt;
    }

private:
    bool fits(quint64 offset, quint64 length) const { return offset <= m_size && length <= m_size - offset; }

    std::optional<QByteArray> readAt(quint64 offset, quint64 length) {
        if (!fits(offset, length) || !m_file.seek(qint64(offset)))
            return std::nullopt;
        QByteArray bytes(qsizetype(length), Qt::Uninitialized);
        if (m_file.read(bytes.data(), qint64(length)) != qint64(length))
            return std::nullopt;
        return bytes;
    }

    std::optional<SectionHeader> section(quint64 index) {
        const std::optional<QByteArray> entry = readAt(m_tableOffset + index * m_entrySize, m_entrySize);
        if (!entry)
            return std::nullopt;
        return parseSection(*entry, 0);
    }

    SectionHeader parseSection(const QByteArray &bytes, int at) const {
        SectionHeader s;
        s.name = u32(bytes, at);
        s.type = u32(bytes, at + 4);
        s.offset = m_wide ? u64(bytes, at + 24) : u32(bytes, at + 16);
        s.size = m_wide ? u64(bytes, at + 32) : u32(bytes, at + 20);
        s.link = u32(bytes, at + (m_wide ? 40 : 24));
        return s;
    }

    std::optional<RecordLocation> readRecord(quint64 offset) {
        const std::optional<QByteArray> bytes = readAt(offset, RecordSize);
        if (!bytes)
            return std::nullopt;
        RecordLocation record;
        record.offset = offset;
        record.bigEndian = m_bigEndian;
        for (int i = 0; i < RecordWords; ++i)
            record.words[std::size_t(i)] = u32(*bytes, i * 4);
        if (record.words[0] != RecordSignature)
            return std::nullopt;
        return record;
    }

    quint64 unsignedAt(const QByteArray &bytes, int at, int width) const {
        quint64 value = 0;
        for (int i = 0; i < width; ++i) {
            const quint64 byte = quint8(bytes[at + (m_bigEndian ? i : width - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }
    quint16 u16(const QByteArray &bytes, int at) const { return quint16(unsignedAt(bytes, at, 2)); }
    quint32 u32(const QByteArray &bytes, int at) const { return quint32(unsignedAt(bytes, at, 4)); }
    quint64 u64(const QByteArray &bytes, int at) const { return unsignedAt(bytes, at, 8); }

    QFile &m_file;
    quint64 m_size = 0;
    bool m_wide = false;
    bool m_bigEndian = false;
    quint64 m_tableOffset = 0;
    quint64 m_entrySize = 0;
};

std::optional<RecordLocation> locateRecord(QFile &file) {
    // Unbuffered: the reads are small and scattered, a read-ahead buffer would only cost.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    return ElfReader(file).findRecord();
}

// "a.b.c.d" with four decimal parts 0..65535 into the most and least significant words.
std::optional<std::array<quint32, 2>> parseVersion(const QByteArray &text) {
    const QList<QByteArray> parts = text.split('.');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<quint32, 4> numbers{};
    for (int i = 0; i < 4; ++i) {
        const QByteArray &part = parts[i];
        if (part.isEmpty() || part.size() > 5)
            return std::nullopt;
        quint32 value = 0;
        for (const char c : part) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + quint32(c - '0');
        }
        if (value > 0xFFFF)
            return std::nullopt;
        numbers[std::size_t(i)] = value;
    }
    return std::array<quint32, 2>{(numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]};
}

void putWord(char *at, quint32 value, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        at[i] = char((value >> shift) & 0xFF);
    }
}

WriteFileVersionResult failure(QString message) {
    return WriteFileVersionResult{false, std::move(message)};
}

} // namespace

QByteArray ReadFileVersion(const QByteArray &path) {
    if (path.isEmpty())
        return {};
    QFile file(QFile::decodeName(path));
    const std::optional<RecordLocation> record = locateRecord(file);
    if (!record)
        return {};
    const quint32 ms = record->words[FileVersionMS];
    const quint32 ls = record->words[FileVersionMS + 1];
    return QByteArray::number(ms >> 16) + '.' + QByteArray::number(ms & 0xFFFF) + '.' +
           QByteArray::number(ls >> 16) + '.' + QByteArray::number(ls & 0xFFFF);
}

WriteFileVersionResult WriteFileVersion(const QByteArray &path, const QByteArray &version) {
    const QString name = QFile::decodeName(path);
    const std::optional<std::array<quint32, 2>> words = parseVersion(version);
    if (!words)
        return failure(QStringLiteral("\"%1\" is not a version of four numbers 0..65535 (a.b.c.d)")
                           .arg(QString::fromUtf8(version)));

    QFile source(name);
    const std::optional<RecordLocation> record = locateRecord(source);
    if (!source.isOpen())
        return failure(QStringLiteral("cannot read %1: %2").arg(name, source.errorString()));
    if (!record)
        return failure(QStringLiteral("%1 carries no version record").arg(name));

    if (!source.seek(0))
        return failure(QStringLiteral("cannot read %1: %2").arg(name, source.errorString()));
    QByteArray content = source.readAll();
    if (quint64(content.size()) != quint64(source.size()) ||
        content.size() < qsizetype(record->offset + RecordSize))
        return failure(QStringLiteral("cannot read %1 completely").arg(name));
    source.close();

    char *at = content.data() + record->offset;
    putWord(at + 4 * FileVersionMS, (*words)[0], record->bigEndian);
    putWord(at + 4 * (FileVersionMS + 1), (*words)[1], record->bigEndian);
    putWord(at + 4 * ProductVersionMS, (*words)[0], record->bigEndian);
    putWord(at + 4 * (ProductVersionMS + 1), (*words)[1], record->bigEndian);

    // A new file renamed over the old one: either the old or the new executable, never a mix,
    // and a running executable can be given a new version too.
    QSaveFile target(name);
    if (!target.open(QIODevice::WriteOnly))
        return failure(QStringLiteral("cannot write %1: %2").arg(name, target.errorString()));
    if (target.write(content) != content.size()) {
        const QString reason = target.errorString();
        target.cancelWriting();
        return failure(QStringLiteral("cannot write %1: %2").arg(name, reason));
    }
    if (!target.commit())
        return failure(QStringLiteral("cannot write %1: %2").arg(name, target.errorString()));
    return WriteFileVersionResult{true, {}};
}
