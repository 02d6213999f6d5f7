// Time as wave devices see it: the real steady clock, or a test clock.
#include "audio/devices/DeviceClock.h"

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <climits>

namespace {

std::vector<std::shared_ptr<ClockedDevice>> Live(
    std::vector<std::weak_ptr<ClockedDevice>>& devices) {
    std::vector<std::shared_ptr<ClockedDevice>> live;
    for (const auto& weak : devices) {
        if (auto device = weak.lock()) {
            live.push_back(std::move(device));
        }
    }
    return live;
}

void Remove(std::vector<std::weak_ptr<ClockedDevice>>& devices, const ClockedDevice* device) {
    std::erase_if(devices, [device](const std::weak_ptr<ClockedDevice>& weak) {
        auto locked = weak.lock();
        return !locked || locked.get() == device;
    });
}

}  // namespace

RealTimeClock::RealTimeClock(double clockSpeed)
    : speed(clockSpeed), origin(std::chrono::steady_clock::now()) {}

RealTimeClock::~RealTimeClock() {
    {
        std::lock_guard lock(mutex);
        quit = true;
    }
    wake.notify_all();
    if (ticker.joinable()) {
        ticker.join();
    }
}

double RealTimeClock::TickerCpuSeconds() {
    std::lock_guard lock(mutex);
    clockid_t cpuClock{};
    timespec used{};
    if (!ticker.joinable() || pthread_getcpuclockid(ticker.native_handle(), &cpuClock) != 0 ||
        clock_gettime(cpuClock, &used) != 0) {
        return 0.0;
    }
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

std::int64_t RealTimeClock::Now() const {
    auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now() - origin);
    return static_cast<std::int64_t>(static_cast<double>(elapsed.count()) * speed);
}

std::chrono::steady_clock::time_point RealTimeClock::RealTime(std::int64_t clockTime) const {
    auto real = static_cast<std::int64_t>(static_cast<double>(clockTime) / speed);
    return origin + std::chrono::nanoseconds(real);
}

bool RealTimeClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                              std::int64_t deadline, const std::function<bool()>& done) {
    return changed.wait_until(lock, RealTime(deadline), done);
}

void RealTimeClock::Attach(const std::shared_ptr<ClockedDevice>& device) {
    {
        std::lock_guard lock(mutex);
        devices.push_back(device);
        if (!ticker.joinable()) {
            ticker = std::thread(&RealTimeClock::TickerLoop, this);
        }
        woken = true;
    }
    wake.notify_all();
}

void RealTimeClock::Detach(const ClockedDevice* device) {
    std::unique_lock lock(mutex);
    Remove(devices, device);
    // What the owner frees after detaching (the buffers, whom the device calls back) must not
    // be touched by a pass that began before.
    if (std::this_thread::get_id() != ticker.get_id()) {
        passOver.wait(lock, [this] { return !ticking; });
    }
}

void RealTimeClock::Wake() {
    {
        std::lock_guard lock(mutex);
        woken = true;
    }
    wake.notify_all();
}

void RealTimeClock::TickerLoop() {
    std::unique_lock lock(mutex);
    while (!quit) {
        woken = false;
        std::vector<std::shared_ptr<ClockedDevice>> live = Live(devices);
        // Devices are ticked without the clock's lock: a device calls Wake() under its own.
        ticking = true;
        lock.unlock();
        std::int64_t next = INT64_MAX;
        for (const auto& device : live) {
            next = std::min(next, device->Tick(Now()));
        }
        live.clear();
        lock.lock();
        ticking = false;
        passOver.notify_all();
        if (woken || quit) {
            continue;
        }
        if (next == INT64_MAX) {
            wake.wait(lock, [this] { return woken || quit; });
        } else {
            wake.wait_until(lock, RealTime(next), [this] { return woken || quit; });
        }
    }
}

struct TestClock::State {
    std::mutex mutex;
    std::condition_variable changed;  // every wait on the clock, and AwaitIdle
    std::int64_t now = 0;
    std::uint64_t wakes = 0;  // counts the wake-ups of all waits
    int waiting = 0;          // waits that began since the last wake-up
    int paced = 0;            // threads holding a PacedThread
    std::vector<std::weak_ptr<ClockedDevice>> devices;

    // A paced thread's hold on the clock.
    struct Hold {
        explicit Hold(std::shared_ptr<State> clockState) : state(std::move(clockState)) {
            std::lock_guard lock(state->mutex);
            ++state->paced;
        }
        ~Hold() {
            {
                std::lock_guard lock(state->mutex);
                --state->paced;
            }
            state->changed.notify_all();
        }
        std::shared_ptr<State> state;
    };
};

TestClock::TestClock() : state(std::make_shared<State>()) {}

std::int64_t TestClock::Now() const {
    std::lock_guard lock(state->mutex);
    return state->now;
}

bool TestClock::WaitUntil(std::condition_variable& /*changed*/, std::unique_lock<std::mutex>& lock,
                          std::int64_t deadline, const std::function<bool()>& done) {
    while (!done()) {
        // The clock's lock is taken before the caller's is let go, so a change made under the
        // caller's lock is followed by a Notify that finds this wait already counted.
        std::unique_lock clockLock(state->mutex);
        if (state->now >= deadline) {
            return false;
        }
        std::uint64_t seen = state->wakes;
        ++state->waiting;
        state->changed.notify_all();
        lock.unlock();
        state->changed.wait(clockLock, [&] { return state->wakes != seen; });
        clockLock.unlock();
        lock.lock();
    }
    return true;
}

void TestClock::Notify(std::condition_variable& /*changed*/) {
    WakeAll();
}

void TestClock::WakeAll() {
    {
        std::lock_guard lock(state->mutex);
        ++state->wakes;
        state->waiting = 0;
    }
    state->changed.notify_all();
}

DeviceClock::PacedThread TestClock::PaceThread() {
    return std::make_shared<State::Hold>(state);
}

void TestClock::AwaitIdle() {
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [this] { return state->waiting >= state->paced; });
}

void TestClock::Attach(const std::shared_ptr<ClockedDevice>& device) {
    std::lock_guard lock(state->mutex);
    state->devices.push_back(device);
}

void TestClock::Detach(const ClockedDevice* device) {
    std::lock_guard lock(state->mutex);
    Remove(state->devices, device);
}

void TestClock::Advance(std::int64_t nanoseconds, std::int64_t step) {
    while (nanoseconds > 0) {
        AwaitIdle();
        std::int64_t delta = std::min(nanoseconds, std::max<std::int64_t>(step, 1));
        nanoseconds -= delta;
        std::vector<std::shared_ptr<ClockedDevice>> live;
        std::int64_t time = 0;
        {
            std::lock_guard lock(state->mutex);
            state->now += delta;
            time = state->now;
            live = Live(state->devices);
        }
        for (const auto& device : live) {
            device->Tick(time);
        }
        WakeAll();
    }
    AwaitIdle();
}

DeviceClock& SystemDeviceClock() {
    static RealTimeClock clock;
    return clock;
}
