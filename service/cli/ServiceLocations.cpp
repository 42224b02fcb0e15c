#include "cli/ServiceLocations.h"

#include <QDir>
#include <QFileInfo>

ServiceLocations ServiceLocations::find(const QString &executableDir) {
    ServiceLocations where;
    const QDir share(QDir(executableDir).filePath(QStringLiteral("../share/quillbarrow")));
    if (QFileInfo(share.filePath(QStringLiteral("ca/ca.pem"))).isFile()) {
        where.installed = true;
        where.caCert = QDir::cleanPath(share.filePath(QStringLiteral("ca/ca.pem")));
        where.caKey = QDir::cleanPath(share.filePath(QStringLiteral("ca/ca.key")));
        where.demoDir = QDir::cleanPath(share.filePath(QStringLiteral("demo")));
        where.signingKey = QDir::cleanPath(share.filePath(QStringLiteral("signing/setup-signing.key")));
        return where;
    }
    where.caCert = QStringLiteral(QUILLBARROW_BUILD_CA_CERT);
    where.caKey = QStringLiteral(QUILLBARROW_BUILD_CA_KEY);
    where.demoDir = QStringLiteral(QUILLBARROW_BUILD_DEMO_DIR);
    where.signingKey = QStringLiteral(QUILLBARROW_BUILD_SIGNING_KEY);
    return where;
}
