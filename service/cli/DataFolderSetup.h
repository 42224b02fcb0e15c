#pragma once

#include "cli/DataFolder.h"
#include "cli/ServiceLocations.h"

#include <QTextStream>

class CertificateIssuer;

// `init`: lays out a data folder: settings, database, the service certificate signed by the local
// CA, nginx's configuration, the demo content and the versions and counts it announces. On a
// folder that init made before (only with force) it refreshes everything but keeps the accounts
// and the settings file. An operator's own certificate replaces the issued one and is kept by
// later refreshes.
class DataFolderSetup {
public:
    DataFolderSetup(ServiceLocations locations, QTextStream &out, QTextStream &err);

    // An operator's certificate (PEM, leaf first) and private key for a real host name; empty
    // paths for one issued by the build's CA.
    struct OwnCertificate {
        QString cert;
        QString key;
    };

    // The command's exit code: 0 done, 1 failed.
    int run(const DataFolder &requested, bool force, const OwnCertificate &own = {});

private:
    bool checkTarget(const DataFolder &data, bool force);
    bool makeFolders(const DataFolder &data);
    bool writeSettingsAndStore(const DataFolder &data);
    bool issueCertificate(const DataFolder &data, const CertificateIssuer &issuer);
    bool installOwnCertificate(const DataFolder &data, const OwnCertificate &own);
    bool installContent(const DataFolder &data);
    bool writeNginxConfig(const DataFolder &data);
    int fail(const QString &message);
    void warn(const QString &message);

    ServiceLocations m_locations;
    QTextStream &m_out;
    QTextStream &m_err;
};
