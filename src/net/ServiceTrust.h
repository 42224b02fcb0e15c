#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

// What the launcher trusts on the network: the system's roots plus the local CA the build made for
// the local reference service (that CA may vouch for loopback names only). Peer verification is
// always on and the peer's name is always checked; nothing here can turn that off.
class ServiceTrust {
public:
    // The local CA compiled into the program.
    [[nodiscard]] static QSslCertificate localCa();

    // For every request: the system roots and the local CA, peer verification on. A configuration
    // with a CA list of its own no longer loads the system roots on demand, so they are listed too.
    [[nodiscard]] static QSslConfiguration configuration();

    // Makes configuration() the process default, so that sockets made without a configuration of
    // their own trust the same roots. Safe to call more than once and from any thread.
    static void installAsDefault();

    // The chain (leaf first, as a TLS peer presents it) checked against the same roots, with the
    // leaf's name checked against hostName. Empty when the chain is trusted. Used where another
    // component (the web view) asks us whether a certificate it could not verify is ours.
    [[nodiscard]] static QList<QSslError> verifyChain(const QList<QSslCertificate> &chain,
                                                      const QString &hostName);
};
