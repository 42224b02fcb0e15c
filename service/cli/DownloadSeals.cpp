#include "cli/DownloadSeals.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sodium.h>

namespace {

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool DownloadSeals::writeDigests(const QString &dir, QStringList *written, QString *error) {
    const QDir folder(dir);
    if (!folder.exists()) {
        *error = QStringLiteral("%1 is not a folder").arg(dir);
        return false;
    }
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString name = entry.fileName();
        if (name.endsWith(u".sha256") || name.endsWith(u".sig"))
            continue;
        QFile file(entry.filePath());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
            *error = QStringLiteral("cannot read %1: %2").arg(entry.filePath(), file.errorString());
            return false;
        }
        // The sha256sum format: digest, two blanks, the name.
        if (!writeAtomically(entry.filePath() + QStringLiteral(".sha256"),
                             hash.result().toHex() + "  " + name.toUtf8() + '\n', error))
            return false;
        written->append(name + QStringLiteral(".sha256"));
    }
    return true;
}

bool DownloadSeals::sign(const QString &path, const QString &keyFile, QString *error) {
    if (sodium_init() < 0) {
        *error = QStringLiteral("libsodium cannot start");
        return false;
    }
    QFile keySource(keyFile);
    if (!keySource.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the key %1: %2").arg(keyFile, keySource.errorString());
        return false;
    }
    QByteArray key = keySource.read(1024);
    if (key.size() != crypto_sign_SECRETKEYBYTES)
        key = QByteArray::fromHex(key.trimmed());
    if (key.size() != crypto_sign_SECRETKEYBYTES) {
        *error = QStringLiteral("%1 is not an Ed25519 secret key (%2 bytes, or as hex)")
                     .arg(keyFile)
                     .arg(crypto_sign_SECRETKEYBYTES);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray content = file.readAll();
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(content.constData()),
                         quint64(content.size()), reinterpret_cast<const unsigned char *>(key.constData()));
    sodium_memzero(key.data(), size_t(key.size()));
    return writeAtomically(path + QStringLiteral(".sig"), signature, error);
}
