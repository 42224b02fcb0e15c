#pragma once

#include <QByteArray>
#include <QString>

// Whole files for tests: empty when the file cannot be read, false when it cannot be written whole.
QByteArray readFileBytes(const QString &path);
bool writeFileBytes(const QString &path, const QByteArray &bytes);

// An unsigned number as so many little-endian bytes, spelled out apart from the code under test.
QByteArray littleEndian(quint64 value, int bytes = 4);
