#include "ElfImage.h"

namespace {

void put(QByteArray &out, qsizetype at, quint64 value, int width, bool bigEndian) {
    for (int i = 0; i < width; ++i)
        out[at + i] = char((value >> (bigEndian ? 8 * (width - 1 - i) : 8 * i)) & 0xFF);
}

void append(QByteArray &out, quint64 value, int width, bool bigEndian) {
    out.resize(out.size() + width);
    put(out, out.size() - width, value, width, bigEndian);
}

void align(QByteArray &out) {
    out.append(QByteArray((8 - out.size() % 8) % 8, '\0'));
}

} // namespace

QByteArray ElfImage::record(quint32 ms, quint32 ls, bool bigEndian, quint32 signature,
                            std::optional<quint64> product) {
    const quint64 p = product.value_or((quint64(ms) << 32) | ls);
    QByteArray out;
    for (const quint32 word :
         {signature, 0x00010000u, ms, ls, quint32(p >> 32), quint32(p), 0x3Fu, 0u, 0u, 1u, 0u, 0u, 0u})
        append(out, word, 4, bigEndian);
    return out;
}

QByteArray ElfImage::build() const {
    const int headerSize = wide ? 64 : 52, entrySize = wide ? 64 : 40, bits = wide ? 8 : 4;
    struct Placed {
        quint32 name, type;
        quint64 offset, size;
    };
    std::vector<Placed> placed;
    QByteArray out(headerSize, '\0');
    QByteArray strings(1, '\0');
    for (const ElfSection &s : sections) {
        align(out);
        placed.push_back({s.nameOffset.value_or(quint32(strings.size())), s.type,
                          s.offset.value_or(quint64(out.size())), s.size.value_or(quint64(s.data.size()))});
        strings += s.name + '\0';
        out += s.data;
    }
    align(out);
    placed.push_back({quint32(strings.size()), 3, quint64(out.size()), quint64(strings.size() + 10)});
    out += strings + ".shstrtab" + '\0';
    align(out);

    const auto tableOffset = quint64(out.size());
    const auto count = quint32(placed.size() + 1);
    // The null section; with extended numbering it carries the real count and string table index.
    out.append(QByteArray(entrySize, '\0'));
    if (extendedNumbering) {
        put(out, qsizetype(tableOffset) + (wide ? 32 : 20), count, bits, bigEndian);
        put(out, qsizetype(tableOffset) + (wide ? 40 : 24), count - 1, 4, bigEndian);
    }
    for (const Placed &p : placed) {
        const qsizetype at = out.size();
        out.append(QByteArray(entrySize, '\0'));
        put(out, at, p.name, 4, bigEndian);
        put(out, at + 4, p.type, 4, bigEndian);
        put(out, at + (wide ? 24 : 16), p.offset, bits, bigEndian);
        put(out, at + (wide ? 32 : 20), p.size, bits, bigEndian);
    }

    out.replace(0, 7,
                QByteArray("\x7F"
                           "ELF") +
                    char(wide ? 2 : 1) + char(bigEndian ? 2 : 1) + char(1));
    put(out, 16, 2, 2, bigEndian);             // executable
    put(out, 18, wide ? 62 : 3, 2, bigEndian); // x86-64 or i386
    put(out, 20, 1, 4, bigEndian);
    put(out, wide ? 40 : 32, shoff.value_or(tableOffset), bits, bigEndian);
    put(out, wide ? 52 : 40, quint64(headerSize), 2, bigEndian);
    put(out, wide ? 58 : 46, shentsize.value_or(quint32(entrySize)), 2, bigEndian);
    put(out, wide ? 60 : 48, shnum.value_or(extendedNumbering ? 0 : count), 2, bigEndian);
    put(out, wide ? 62 : 50, shstrndx.value_or(extendedNumbering ? 0xFFFF : count - 1), 2, bigEndian);
    return out;
}
