#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

// Builds small ELF files in memory, well-formed or deliberately damaged, for the version reader's
// tests and benchmark. Layout: header, section contents, ".shstrtab", section header table.
struct ElfSection {
    QByteArray name;
    quint32 type = 1; // PROGBITS
    QByteArray data;
    std::optional<quint64> offset, size; // overrides of what the header table says
    std::optional<quint32> nameOffset;
};

struct ElfImage {
    bool wide = true;
    bool bigEndian = false;
    std::vector<ElfSection> sections; // between the null section and ".shstrtab"
    std::optional<quint64> shoff;
    std::optional<quint32> shnum, shstrndx, shentsize;
    // Extended numbering: the real count and string table index kept in the null section.
    bool extendedNumbering = false;

    QByteArray build() const;

    // The thirteen record words; the product version equals the file version unless given.
    static QByteArray record(quint32 ms, quint32 ls, bool bigEndian, quint32 signature = 0xFEEF04BDu,
                             std::optional<quint64> product = std::nullopt);
};
