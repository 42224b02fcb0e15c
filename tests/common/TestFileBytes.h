#pragma once

#include <QByteArray>
#include <QString>

// Whole files for tests: empty when the file cannot be read, false when it cannot be written whole.
QByteArray readFileBytes(const QString &path);
bool writeFileBytes(const QString &path, const QByteArray &bytes);
