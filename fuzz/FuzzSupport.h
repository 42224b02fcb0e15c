#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>

// What the fuzz targets share: a Qt application object for the parts that need one, and a scratch
// folder of this process that is removed when it ends.
namespace FuzzSupport {

void ensureApplication();

// A folder of its own below the process's scratch folder, emptied first when it already exists.
QString freshFolder(const QString &name);

// Writes the bytes, replacing the file; aborts when that fails (a broken harness, not a finding).
void writeFile(const QString &path, QByteArrayView bytes);

inline QByteArrayView view(const uint8_t *data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// Reports the broken promise and aborts, so the fuzzer keeps the input.
[[noreturn]] void fail(const char *what);

} // namespace FuzzSupport
