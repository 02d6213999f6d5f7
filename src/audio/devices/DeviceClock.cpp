// Time as wave devices see it: the real steady clock, or a test clock.
#include "audio/devices/DeviceClock.h"

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
    std::lock_guard lock(mutex);
    Remove(devices, device);
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
        lock.unlock();
        std::int64_t next = INT64_MAX;
        for (const auto& device : live) {
            next = std::min(next, device->Tick(Now()));
        }
        live.clear();
        lock.lock();
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

std::int64_t TestClock::Now() const {
    std::lock_guard lock(mutex);
    return now;
}

bool TestClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                          std::int64_t deadline, const std::function<bool()>& done) {
    // Time moves only on another thread's Advance: look again every millisecond of real time.
    while (!done()) {
        if (Now() >= deadline) {
            return false;
        }
        changed.wait_for(lock, std::chrono::milliseconds(1));
    }
    return true;
}

void TestClock::Attach(const std::shared_ptr<ClockedDevice>& device) {
    std::lock_guard lock(mutex);
    devices.push_back(device);
}

void TestClock::Detach(const ClockedDevice* device) {
    std::lock_guard lock(mutex);
    Remove(devices, device);
}

void TestClock::Advance(std::int64_t nanoseconds, std::int64_t step) {
    while (nanoseconds > 0) {
        std::int64_t delta = std::min(nanoseconds, std::max<std::int64_t>(step, 1));
        nanoseconds -= delta;
        std::vector<std::shared_ptr<ClockedDevice>> live;
        std::int64_t time = 0;
        {
            std::lock_guard lock(mutex);
            now += delta;
            time = now;
            live = Live(devices);
        }
        for (const auto& device : live) {
            device->Tick(time);
        }
    }
}

DeviceClock& SystemDeviceClock() {
    static RealTimeClock clock;
    return clock;
}
