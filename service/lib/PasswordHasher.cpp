#include "lib/PasswordHasher.h"

#include <sodium.h>

namespace {

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

PasswordHasher::PasswordHasher(quint64 opsLimit, quint64 memLimitBytes)
    : m_opsLimit(opsLimit)
    , m_memLimit(memLimitBytes) {
    sodiumReady();
}

std::optional<QByteArray> PasswordHasher::hash(const QByteArray &password) const {
    if (!sodiumReady())
        return std::nullopt;
    QByteArray out(crypto_pwhash_STRBYTES, '\0');
    if (crypto_pwhash_str(out.data(), password.constData(), static_cast<unsigned long long>(password.size()),
                          m_opsLimit, static_cast<size_t>(m_memLimit)) != 0)
        return std::nullopt;
    out.truncate(static_cast<qsizetype>(qstrlen(out.constData())));
    return out;
}

bool PasswordHasher::verify(const QByteArray &storedHash, const QByteArray &password) const {
    if (!sodiumReady() || storedHash.isEmpty() || storedHash.size() >= crypto_pwhash_STRBYTES)
        return false;
    // libsodium wants a NUL-terminated string; QByteArray's data always is.
    return crypto_pwhash_str_verify(storedHash.constData(), password.constData(),
                                    static_cast<unsigned long long>(password.size())) == 0;
}

void PasswordHasher::verifyNothing(const QByteArray &password) const {
    // A verification is one hash computation at the cost stored in the hash; so is this.
    (void)hash(password);
}
