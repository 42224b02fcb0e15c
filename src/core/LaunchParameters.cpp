#include "core/LaunchParameters.h"

QByteArray LaunchParameters(const QByteArray &latestVersion, const QByteArray &accountEmail,
                            const QByteArray &accountPassword) {
    if (latestVersion == "NoVer")
        return {};
    return accountEmail + ' ' + accountPassword;
}
