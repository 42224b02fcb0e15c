#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class DataFolder;

// The options that take the service past one process: `init --database ADDRESS` and
// `serve --workers N`, taken out of the arguments before the common parser sees them.
namespace DatabaseSetting {

// Removes "NAME VALUE" from the arguments; nullopt when absent, *error when the value is missing.
std::optional<QString> takeOption(QStringList &arguments, const QString &name, QString *error);

// Points an initialised data folder at a PostgreSQL database: creates the schema there, carries over
// the announced state init stored, and writes the address into service.ini. Empty on success.
QString use(const DataFolder &data, const QString &address);

} // namespace DatabaseSetting
