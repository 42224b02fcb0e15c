#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The check that a downloaded launcher setup program comes from whoever holds the signing key: a
// detached Ed25519 signature (libsodium) over the whole file, against the public key compiled into
// the launcher.
class SetupSignature {
public:
    // Why the file at path does not verify against signature; none when it does.
    [[nodiscard]] static std::optional<QString> problem(const QString &path, const QByteArray &signature);
    // The same against another public key (32 bytes), for tests and operators' tools.
    [[nodiscard]] static std::optional<QString> problem(const QString &path, const QByteArray &signature,
                                                        const QByteArray &publicKey);
    [[nodiscard]] static QByteArray publicKey();
};
