#pragma once

#include "cli/DataFolder.h"

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// nginx's configuration for one data folder: HTTPS on loopback, the static content of DATA/www
// served by nginx itself, everything else handed to the app server over loopback HTTP.
struct NginxConfig {
    quint16 port = 8443;
    // The HTTPS address; another than loopback lets a front nginx on another machine reach this one.
    QByteArray listenAddress = "127.0.0.1";
    quint16 appPort = 0;
    // Further app servers (serve --workers): nginx spreads requests over all of them.
    QList<quint16> moreAppPorts;
    qint64 maxBodyBytes = 16 * 1024;
    int maxClients = 1000;
    bool listenIpv6 = true;
    // nginx's workers run as the user that starts the service; as root that needs "user root",
    // else nginx would switch them to "nobody", who cannot read a private data folder.
    bool runningAsRoot = false;

    [[nodiscard]] QByteArray render(const DataFolder &data) const;

    // nginx's executable (it lives in sbin, which a user's PATH may lack); empty when not installed.
    static QString findProgram();
    // The arguments that keep nginx inside the data folder: prefix, configuration and error log,
    // so nothing touches /var/log/nginx or /run.
    static QStringList arguments(const DataFolder &data);
};
