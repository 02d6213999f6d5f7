// SIGTERM and SIGINT as a byte in a pipe.
#include "base/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

// The handler may touch only these; both are lock-free.
std::atomic<int> signalFd{-1};
std::atomic<bool> caught{false};

extern "C" void OnStopSignal(int) {
    const int savedErrno = errno;  // the interrupted code may be about to look at it
    caught = true;
    char byte = 1;
    // A full pipe already says enough; the write never blocks.
    [[maybe_unused]] ssize_t written = ::write(signalFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    readEnd.Reset(ends[0]);
    writeEnd.Reset(ends[1]);
    caught = false;
    signalFd = writeEnd.Get();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &savedTerm);
    ::sigaction(SIGINT, &action, &savedInt);
}

StopSignals::~StopSignals() {
    if (!writeEnd) {
        return;
    }
    ::sigaction(SIGTERM, &savedTerm, nullptr);
    ::sigaction(SIGINT, &savedInt, nullptr);
    signalFd = -1;
}

bool StopSignals::Caught() const {
    return caught;
}

void StopSignals::Acknowledge() {
    char bytes[64];
    while (::read(readEnd.Get(), bytes, sizeof bytes) > 0) {
    }
}
