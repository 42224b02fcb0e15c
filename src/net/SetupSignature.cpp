#include "net/SetupSignature.h"

#include "net/SetupPublicKey.h"

#include <QFile>
#include <sodium.h>

QByteArray SetupSignature::publicKey() {
    return QByteArray::fromHex(SetupPublicKeyHex);
}

std::optional<QString> SetupSignature::problem(const QString &path, const QByteArray &signature) {
    return problem(path, signature, publicKey());
}

std::optional<QString> SetupSignature::problem(const QString &path, const QByteArray &signature,
                                               const QByteArray &key) {
    if (sodium_init() < 0)
        return QStringLiteral("the signature check cannot start");
    if (signature.isEmpty())
        return QStringLiteral("the server published no signature for it");
    if (signature.size() != crypto_sign_BYTES)
        return QStringLiteral("its signature is not one (%1 bytes, not %2)")
            .arg(signature.size())
            .arg(crypto_sign_BYTES);
    if (key.size() != crypto_sign_PUBLICKEYBYTES)
        return QStringLiteral("the launcher holds no valid signing key");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read (%1)").arg(file.errorString());
    // Plain Ed25519 over the whole file, as sign writes it: the setup program is read in one piece.
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("it cannot be read (%1)").arg(file.errorString());
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.constData()),
                                    reinterpret_cast<const unsigned char *>(content.constData()),
                                    quint64(content.size()),
                                    reinterpret_cast<const unsigned char *>(key.constData())) != 0)
        return QStringLiteral("its signature does not match");
    return std::nullopt;
}
