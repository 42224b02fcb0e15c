#pragma once

#include <QString>

// Where the service command finds the local CA and the demo content: next to its own executable
// when installed (DIR/bin/quillbarrow-service, DIR/share/quillbarrow/...), else in the build tree
// it was built in.
struct ServiceLocations {
    QString caCert;
    QString caKey;
    QString demoDir;
    QString signingKey; // the secret key init signs the demo setup program with
    bool installed = false;

    static ServiceLocations find(const QString &executableDir);
};
