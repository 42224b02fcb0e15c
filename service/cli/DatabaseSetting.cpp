#include "cli/DatabaseSetting.h"

#include "cli/DataFolder.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"

std::optional<QString> DatabaseSetting::takeOption(QStringList &arguments, const QString &name,
                                                   QString *error) {
    const qsizetype at = arguments.indexOf(name);
    if (at < 0)
        return std::nullopt;
    if (at + 1 >= arguments.size()) {
        *error = QStringLiteral("%1 needs a value").arg(name);
        return std::nullopt;
    }
    const QString value = arguments.at(at + 1);
    arguments.remove(at, 2);
    return value;
}

QString DatabaseSetting::use(const DataFolder &data, const QString &address) {
    if (!address.startsWith(QLatin1String("postgres")))
        return QStringLiteral("--database takes a PostgreSQL address (postgresql://...); "
                              "without it the data folder keeps its own SQLite file");
    QString error;
    std::optional<ServiceConfig> config = ServiceConfig::load(data.settingsFile(), &error);
    if (!config)
        return error;
    std::unique_ptr<ServiceStore> local = ServiceStore::open(data.database(), &error);
    std::unique_ptr<ServiceStore> shared = local ? ServiceStore::open(address, &error) : nullptr;
    if (!shared)
        return QStringLiteral("cannot open the database %1: %2").arg(address, error);
    const std::optional<ServiceSettings> state = local->settings(&error);
    if (!state)
        return error;
    for (const StoreResult &r :
         {shared->setVersions(state->versions), shared->setCounts(state->adCount, state->newsCount),
          shared->setOnline(state->online)}) {
        if (!r.ok())
            return r.error;
    }
    config->database = address;
    if (!config->save(data.settingsFile(), &error))
        return error;
    return {};
}
