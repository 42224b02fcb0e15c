#pragma once

#include <QString>
#include <QStringList>

// What the service publishes beside its downloads so that the launcher can check them: a SHA-256
// digest for every file (<file>.sha256, the sha256sum format) and an Ed25519 signature for the
// launcher's setup program (<file>.sig, the 64 bytes of a detached libsodium signature).
class DownloadSeals {
public:
    static constexpr char kSetupFileName[] = "QuillbarrowSetup.exe";

    // Writes <file>.sha256 for every file in dir that is not itself a digest or a signature.
    // The names written go to *written.
    static bool writeDigests(const QString &dir, QStringList *written, QString *error);
    // Signs file with the secret key in keyFile (64 bytes, raw or as hex) into file + ".sig".
    static bool sign(const QString &file, const QString &keyFile, QString *error);
};
