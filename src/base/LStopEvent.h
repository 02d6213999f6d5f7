// A manual-reset event that asks a worker thread to finish: set once, seen by every wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class LStopEvent {
public:
    // Sets the event and wakes every waiter; it stays set.
    void Set();
    bool IsSet() const;
    // Waits until the event is set or `timeout` has passed; true when it is set.
    bool Wait(std::chrono::milliseconds timeout) const;
    // Returns once a thread waits on the event: a hand-off for a test that needs a worker to
    // have reached its wait.
    void AwaitWaiter() const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    mutable int waiters = 0;
    bool set = false;
};
