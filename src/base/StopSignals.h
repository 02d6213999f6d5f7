// SIGTERM and SIGINT (the session ending, a service manager stopping the program, Ctrl-C) turned
// from a sudden end into a byte to read, so that an event loop can stop the work in order and
// leave no temporary file behind.
#pragma once

#include <csignal>

#include "base/UniqueFd.h"

class StopSignals {
public:
    // Catches both signals until destroyed, when the handlers before come back. One instance at
    // a time; when the pipe cannot be made the signals keep their handlers.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable once a signal has come, until Acknowledge().
    int Fd() const { return readEnd.Get(); }
    // Whether a signal has come since the start.
    bool Caught() const;
    // Takes what the signals wrote, so that Fd() is readable again only at the next one.
    void Acknowledge();

private:
    UniqueFd readEnd;
    UniqueFd writeEnd;
    struct sigaction savedTerm {};
    struct sigaction savedInt {};
};
