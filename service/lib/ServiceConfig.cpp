#include "lib/ServiceConfig.h"

#include <QFileInfo>
#include <QSettings>
#include <sodium.h>

namespace {

// One table of keys keeps load, save and validate in step.
struct IntKey {
    const char *key;
    int ServiceConfig::*field;
    int minimum;
    int maximum;
};

constexpr IntKey kIntKeys[] = {
    {"session/silenceSeconds", &ServiceConfig::sessionSilenceSeconds, 1, 3600},
    {"session/maxClients", &ServiceConfig::maxClients, 1, 1000000},
    {"session/logoutGraceSeconds", &ServiceConfig::logoutGraceSeconds, 0, 60},
    {"limits/loginAttemptsPerAccount", &ServiceConfig::loginAttemptsPerAccount, 0, 100000},
    {"limits/loginAttemptsPerAddress", &ServiceConfig::loginAttemptsPerAddress, 0, 1000000},
    {"limits/registrationsPerAddressPerHour", &ServiceConfig::registrationsPerAddressPerHour, 0, 100000},
    {"limits/maxBodyBytes", &ServiceConfig::maxBodyBytes, 1024, 1024 * 1024},
    {"limits/maxPendingHashes", &ServiceConfig::maxPendingHashes, 1, 100000},
    {"chat/textMaxChars", &ServiceConfig::chatTextMaxChars, 1, 2000},
    {"chat/linesPerReply", &ServiceConfig::chatLinesPerReply, 1, 10000},
    {"chat/backlogMessages", &ServiceConfig::chatBacklogMessages, 10, 10000000},
    {"store/pollMilliseconds", &ServiceConfig::storePollMilliseconds, 10, 60000},
    {"store/lastSeenFlushSeconds", &ServiceConfig::lastSeenFlushSeconds, 1, 3600},
    {"password/hashThreads", &ServiceConfig::hashThreads, 0, 256},
};

QString keyName(const char *key) {
    return QString::fromLatin1(key);
}

} // namespace

QString ServiceConfig::validate() const {
    for (const IntKey &k : kIntKeys) {
        const int value = this->*k.field;
        if (value < k.minimum || value > k.maximum)
            return QStringLiteral("%1 must be between %2 and %3 (is %4)")
                .arg(keyName(k.key))
                .arg(k.minimum)
                .arg(k.maximum)
                .arg(value);
    }
    if (argon2OpsLimit < crypto_pwhash_OPSLIMIT_MIN || argon2OpsLimit > crypto_pwhash_OPSLIMIT_SENSITIVE)
        return QStringLiteral("password/argon2OpsLimit must be between %1 and %2")
            .arg(crypto_pwhash_OPSLIMIT_MIN)
            .arg(crypto_pwhash_OPSLIMIT_SENSITIVE);
    if (argon2MemLimitBytes < crypto_pwhash_MEMLIMIT_MIN ||
        argon2MemLimitBytes > crypto_pwhash_MEMLIMIT_SENSITIVE)
        return QStringLiteral("password/argon2MemLimitBytes must be between %1 and %2")
            .arg(crypto_pwhash_MEMLIMIT_MIN)
            .arg(crypto_pwhash_MEMLIMIT_SENSITIVE);
    return {};
}

std::optional<ServiceConfig> ServiceConfig::load(const QString &iniPath, QString *error) {
    ServiceConfig config;
    if (!QFileInfo::exists(iniPath))
        return config;
    QSettings ini(iniPath, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("cannot read %1: not a valid INI file").arg(iniPath);
        return std::nullopt;
    }
    auto fail = [&](const QString &message) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(iniPath, message);
        return std::nullopt;
    };
    for (const IntKey &k : kIntKeys) {
        const QVariant value = ini.value(keyName(k.key));
        if (!value.isValid())
            continue;
        bool ok = false;
        const int number = value.toString().trimmed().toInt(&ok);
        if (!ok)
            return fail(QStringLiteral("%1 is not a whole number").arg(keyName(k.key)));
        config.*k.field = number;
    }
    for (auto [key, field] :
         {std::pair{"password/argon2OpsLimit", &ServiceConfig::argon2OpsLimit},
          std::pair{"password/argon2MemLimitBytes", &ServiceConfig::argon2MemLimitBytes}}) {
        const QVariant value = ini.value(keyName(key));
        if (!value.isValid())
            continue;
        bool ok = false;
        const quint64 number = value.toString().trimmed().toULongLong(&ok);
        if (!ok)
            return fail(QStringLiteral("%1 is not a whole number").arg(keyName(key)));
        config.*field = number;
    }
    config.database = ini.value(QStringLiteral("store/database")).toString().trimmed();
    if (const QString problem = config.validate(); !problem.isEmpty())
        return fail(problem);
    return config;
}

bool ServiceConfig::save(const QString &iniPath, QString *error) const {
    if (const QString problem = validate(); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    QSettings ini(iniPath, QSettings::IniFormat);
    for (const IntKey &k : kIntKeys)
        ini.setValue(keyName(k.key), this->*k.field);
    ini.setValue(QStringLiteral("password/argon2OpsLimit"), QString::number(argon2OpsLimit));
    ini.setValue(QStringLiteral("password/argon2MemLimitBytes"), QString::number(argon2MemLimitBytes));
    if (!database.isEmpty())
        ini.setValue(QStringLiteral("store/database"), database);
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(iniPath);
        return false;
    }
    return true;
}
