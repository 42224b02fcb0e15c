#include "ElfImage.h"

namespace {

void put(QByteArray &out, qsizetype at, quint64 value, int width, bool bigEndian) {
    for (int i = 0; i < width; ++i) {
        const int shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
        out[at + i] = char((value >> shift) & 0xFF);
    }
}

void append(QByteArray &out, quint64 value, int width, bool bigEndian) {
    const qsizetype at = out.size();
    out.resize(at + width);
    put(out, at, value, width, bigEndian);
}

void align(QByteArray &out) {
    while (out.size() % 8 != 0)
        out.append('\0');
}

} // namespace

QByteArray ElfImage::record(quint32 ms, quint32 ls, bool bigEndian, quint32 signature,
                            std::optional<quint64> product) {
    const quint64 p = product.value_or((quint64(ms) << 32) | ls);
    const quint32 words[13] = {signature, 0x00010000u, ms, ls, quint32(p >> 32), quint32(p), 0x3Fu, 0, 0,
                               1,         0,           0,  0};
    QByteArray out;
    for (const quint32 word : words)
        append(out, word, 4, bigEndian);
    return out;
}

QByteArray ElfImage::build() const {
    const int headerSize = wide ? 64 : 52;
    const int entrySize = wide ? 64 : 40;
    const int bits = wide ? 8 : 4;

    QByteArray out(headerSize, '\0');
    struct Placed {
        quint32 name;
        quint32 type;
        quint64 offset;
        quint64 size;
    };
    std::vector<Placed> placed;
    QByteArray strings(1, '\0');
    for (const ElfSection &s : sections) {
        const auto nameAt = quint32(strings.size());
        strings += s.name + '\0';
        align(out);
        placed.push_back({s.nameOffset.value_or(nameAt), s.type, s.offset.value_or(quint64(out.size())),
                          s.size.value_or(quint64(s.data.size()))});
        out += s.data;
    }
    const auto stringsName = quint32(strings.size());
    strings += ".shstrtab";
    strings += '\0';
    align(out);
    placed.push_back({stringsName, 3, quint64(out.size()), quint64(strings.size())});
    out += strings;
    align(out);

    const auto tableOffset = quint64(out.size());
    const auto count = quint32(placed.size() + 1);
    const quint32 stringIndex = count - 1;
    // Null section; with extended numbering it carries the real count and string table index.
    const qsizetype nullAt = out.size();
    out.append(QByteArray(entrySize, '\0'));
    if (extendedNumbering) {
        put(out, nullAt + (wide ? 32 : 20), count, bits, bigEndian);
        put(out, nullAt + (wide ? 40 : 24), stringIndex, 4, bigEndian);
    }
    for (const Placed &p : placed) {
        const qsizetype at = out.size();
        out.append(QByteArray(entrySize, '\0'));
        put(out, at, p.name, 4, bigEndian);
        put(out, at + 4, p.type, 4, bigEndian);
        put(out, at + (wide ? 24 : 16), p.offset, bits, bigEndian);
        put(out, at + (wide ? 32 : 20), p.size, bits, bigEndian);
    }

    out[0] = char(0x7F);
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = char(wide ? 2 : 1);
    out[5] = char(bigEndian ? 2 : 1);
    out[6] = 1;
    put(out, 16, 2, 2, bigEndian);             // executable
    put(out, 18, wide ? 62 : 3, 2, bigEndian); // machine: x86-64 or i386
    put(out, 20, 1, 4, bigEndian);             // version
    put(out, wide ? 40 : 32, shoff.value_or(tableOffset), bits, bigEndian);
    put(out, wide ? 52 : 40, quint64(headerSize), 2, bigEndian);
    put(out, wide ? 58 : 46, shentsize.value_or(quint32(entrySize)), 2, bigEndian);
    put(out, wide ? 60 : 48, shnum.value_or(extendedNumbering ? 0 : count), 2, bigEndian);
    put(out, wide ? 62 : 50, shstrndx.value_or(extendedNumbering ? 0xFFFF : stringIndex), 2, bigEndian);
    return out;
}
