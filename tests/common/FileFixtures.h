#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Real files for tests: written and read whole, and a folder's contents as one comparable list.
namespace FileFixtures {

// Makes the folders on the way; false when the file could not be written whole.
bool writeFile(const QString &path, const QByteArray &data);
// The whole file, or "<missing>".
QByteArray readFile(const QString &path);
// All below root, sorted, not through links: "dir/", "file=data" (long: "file=#size"), "link->to".
QStringList snapshot(const QString &root);
// An unsigned number as so many little-endian bytes, spelled out apart from the code under test.
QByteArray littleEndian(quint64 value, int bytes = 4);

} // namespace FileFixtures
