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
// Everything below root, sorted, links not followed: "folder/", "file=contents" (longer files as
// "file=#size"), "link->target". A leftover temporary file shows up like any other.
QStringList snapshot(const QString &root);

} // namespace FileFixtures
