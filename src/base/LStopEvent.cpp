// A manual-reset event that asks a worker thread to finish.
#include "base/LStopEvent.h"

void LStopEvent::Set() {
    {
        std::lock_guard lock(mutex);
        set = true;
    }
    changed.notify_all();
}

bool LStopEvent::IsSet() const {
    std::lock_guard lock(mutex);
    return set;
}

bool LStopEvent::Wait(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex);
    ++waiters;
    changed.notify_all();
    bool isSet = changed.wait_for(lock, timeout, [this] { return set; });
    --waiters;
    return isSet;
}

void LStopEvent::AwaitWaiter() const {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return waiters > 0; });
}
