#pragma once

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// SHA-256 of a byte stream, computed on a thread of its own while the stream goes on: the caller
// hands over filled buffers and gets empty ones back, so the hash overlaps the transfer and no byte
// is copied for it. exchange() waits only when every buffer is still queued.
class Sha256Pipe {
public:
    static constexpr size_t kBufferBytes = 1024 * 1024;
    static constexpr size_t kBuffers = 6;

    Sha256Pipe();
    ~Sha256Pipe();
    Sha256Pipe(const Sha256Pipe &) = delete;
    Sha256Pipe &operator=(const Sha256Pipe &) = delete;

    // Queues filled for hashing; returns an empty buffer (with room for kBufferBytes) to fill next.
    std::vector<char> exchange(std::vector<char> filled);
    // Forgets every byte so far (the stream starts over).
    void reset();
    // The digest of every byte added since the start or the last reset, as lower-case hex.
    QByteArray finish();

private:
    void hashLoop();
    void drain(std::unique_lock<std::mutex> &lock);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::vector<char>> m_free;
    std::deque<std::vector<char>> m_queued;
    bool m_hashing = false; // the thread holds a buffer
    bool m_restart = false;
    bool m_quit = false;
    void *m_context;
    std::thread m_thread;
};
