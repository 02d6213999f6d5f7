// Time as wave devices see it: the real steady clock (optionally running N times faster), or a
// test clock that only moves when a test advances it, and then only once the threads it paces
// wait on it. Virtual devices play and record by it, and the buffer waits of device users time
// out by it, so a test can run a minute of audio through the player and recorder in a fraction
// of a second, the same under any load.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Something paced by a clock: a virtual device that completes buffers as time passes.
class ClockedDevice {
public:
    virtual ~ClockedDevice() = default;
    // Does what is due at `now` (nanoseconds); returns when it next needs a tick (INT64_MAX:
    // nothing pending until it is given more work).
    virtual std::int64_t Tick(std::int64_t now) = 0;
};

class DeviceClock {
public:
    virtual ~DeviceClock() = default;

    // Nanoseconds since the clock began.
    virtual std::int64_t Now() const = 0;
    // How many times faster than real time it runs (a test clock runs at no set speed: 1).
    virtual double Speed() const { return 1.0; }

    // Waits on `changed` with `lock` held until `done()` holds or the clock reaches `deadline`;
    // returns done().
    virtual bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           std::int64_t deadline, const std::function<bool()>& done) = 0;
    // Wakes the waits on `changed`, once what they wait for has changed under their lock.
    virtual void Notify(std::condition_variable& changed) = 0;

    // Held by a thread that works between waits on this clock (a player's feeding thread) for
    // as long as it runs: a test clock moves on only while every such thread waits on it. A
    // real clock keeps no count and gives an empty one.
    using PacedThread = std::shared_ptr<void>;
    virtual PacedThread PaceThread() { return {}; }

    // Devices paced by this clock. A device calls Wake() when it got work that is due sooner
    // than the time it last returned from Tick.
    virtual void Attach(const std::shared_ptr<ClockedDevice>& device) = 0;
    virtual void Detach(const ClockedDevice* device) = 0;
    virtual void Wake() = 0;
};

// The steady clock, `speed` times faster; a thread of its own ticks the attached devices.
class RealTimeClock : public DeviceClock {
public:
    explicit RealTimeClock(double speed = 1.0);
    ~RealTimeClock() override;

    std::int64_t Now() const override;
    double Speed() const override { return speed; }
    bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   std::int64_t deadline, const std::function<bool()>& done) override;
    void Notify(std::condition_variable& changed) override { changed.notify_all(); }
    // The CPU time the thread that ticks the devices has taken so far.
    double TickerCpuSeconds();
    void Attach(const std::shared_ptr<ClockedDevice>& device) override;
    // Once it returns the device is ticked no more: a pass of the ticker that may be ticking it
    // is waited for, unless the pass itself detaches it.
    void Detach(const ClockedDevice* device) override;
    void Wake() override;

private:
    void TickerLoop();
    std::chrono::steady_clock::time_point RealTime(std::int64_t clockTime) const;

    const double speed;
    const std::chrono::steady_clock::time_point origin;
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::weak_ptr<ClockedDevice>> devices;
    bool woken = false;
    bool quit = false;
    bool ticking = false;  // a pass of the ticker ticks devices without the lock
    std::condition_variable passOver;
    std::thread ticker;
};

// A clock that stands still until Advance; attached devices tick on the advancing thread.
// Waits on it are woken only through it (Notify, Advance), so it knows which of its paced
// threads wait and which still work: Advance goes on only once they all wait.
class TestClock : public DeviceClock {
public:
    TestClock();

    std::int64_t Now() const override;
    bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   std::int64_t deadline, const std::function<bool()>& done) override;
    void Notify(std::condition_variable& changed) override;
    PacedThread PaceThread() override;
    void Attach(const std::shared_ptr<ClockedDevice>& device) override;
    void Detach(const ClockedDevice* device) override;
    void Wake() override {}

    // Moves time on by `nanoseconds` in steps of at most `step`, ticking every device at each.
    // Each step waits until every paced thread waits on the clock, and so does the return.
    void Advance(std::int64_t nanoseconds, std::int64_t step = 10'000'000);
    // Waits until every paced thread waits on the clock (or has let go of it): what they can do
    // at the present time is done.
    void AwaitIdle();

private:
    // Shared with the paced threads, which may outlive the clock.
    struct State;
    // Wakes every wait: time moved or something they wait for changed.
    void WakeAll();

    std::shared_ptr<State> state;
};

// The clock of the sound card devices and of virtual devices that do not get another.
DeviceClock& SystemDeviceClock();
