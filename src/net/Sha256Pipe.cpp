#include "net/Sha256Pipe.h"

#include <cstring>
#include <openssl/evp.h>

namespace {

EVP_MD_CTX *context(void *raw) {
    return static_cast<EVP_MD_CTX *>(raw);
}

} // namespace

Sha256Pipe::Sha256Pipe()
    : m_context(EVP_MD_CTX_new()) {
    EVP_DigestInit_ex(context(m_context), EVP_sha256(), nullptr);
    for (size_t i = 1; i < kBuffers; ++i)
        m_free.emplace_back().reserve(kBufferBytes);
    m_thread = std::thread([this] { hashLoop(); });
}

Sha256Pipe::~Sha256Pipe() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
    EVP_MD_CTX_free(context(m_context));
}

void Sha256Pipe::hashLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_queued.empty(); });
        if (m_quit)
            return;
        std::vector<char> buffer = std::move(m_queued.front());
        m_queued.pop_front();
        m_hashing = true;
        lock.unlock();
        EVP_DigestUpdate(context(m_context), buffer.data(), buffer.size());
        buffer.clear();
        lock.lock();
        m_hashing = false;
        m_free.push_back(std::move(buffer));
        m_changed.notify_all();
    }
}

void Sha256Pipe::drain(std::unique_lock<std::mutex> &lock) {
    m_changed.wait(lock, [this] { return m_queued.empty() && !m_hashing; });
}

std::vector<char> Sha256Pipe::exchange(std::vector<char> filled) {
    std::unique_lock lock(m_mutex);
    m_queued.push_back(std::move(filled));
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_free.empty(); });
    std::vector<char> empty = std::move(m_free.back());
    m_free.pop_back();
    empty.clear();
    return empty;
}

void Sha256Pipe::reset() {
    std::unique_lock lock(m_mutex);
    drain(lock);
    EVP_DigestInit_ex(context(m_context), EVP_sha256(), nullptr);
}

QByteArray Sha256Pipe::finish() {
    std::unique_lock lock(m_mutex);
    drain(lock);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context(m_context), digest, &length);
    EVP_DigestInit_ex(context(m_context), EVP_sha256(), nullptr);
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}
