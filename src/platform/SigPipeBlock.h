#pragma once

#include <signal.h>

// Keeps SIGPIPE from ending the process while this thread writes to a peer that may have gone (an
// X server that quit): the write then only fails. A SIGPIPE raised inside the scope is consumed.
class SigPipeBlock {
public:
    SigPipeBlock();
    ~SigPipeBlock();
    SigPipeBlock(const SigPipeBlock &) = delete;
    SigPipeBlock &operator=(const SigPipeBlock &) = delete;

private:
    sigset_t m_previousMask{};
    bool m_wasPending = false;
};
