#pragma once

#include <QByteArray>
#include <QString>

// The fixed-information version record of an executable: thirteen 32-bit words starting with the
// signature 0xFEEF04BD, in the ELF section ".fileversion" (see cmake/VersionRecord.cmake).

// The file version as "a.b.c.d" (decimal, no leading zeros), or empty when the file is missing,
// unreadable, not an ELF file, damaged, or carries no valid record. Reads only the ELF header, the
// section headers and the record, never the whole file.
QByteArray ReadFileVersion(const QByteArray &path);

struct WriteFileVersionResult {
    bool ok = false;
    QString error;
};

// Sets the file and product version words of the record already present in the executable. The
// file is replaced atomically, so on any failure it is left as it was.
WriteFileVersionResult WriteFileVersion(const QByteArray &path, const QByteArray &version);
