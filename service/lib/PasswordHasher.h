#pragma once

#include <QByteArray>
#include <optional>

// argon2id password hashes in libsodium's self-describing string form. Safe to call from any thread.
class PasswordHasher {
public:
    PasswordHasher(quint64 opsLimit, quint64 memLimitBytes);

    // nullopt when the hash could not be computed (out of memory).
    std::optional<QByteArray> hash(const QByteArray &password) const;
    bool verify(const QByteArray &storedHash, const QByteArray &password) const;
    // Spends the time of a verification, for unknown accounts (no timing hint of their existence).
    void verifyNothing(const QByteArray &password) const;

private:
    quint64 m_opsLimit;
    quint64 m_memLimit;
};
