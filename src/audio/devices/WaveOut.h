// An open wave output device: plays queued buffers in order, marks each done when it has
// played and signals the buffer event; can pause, restart, reset, and loop one buffer.
#pragma once

#include <condition_variable>
#include <mutex>

#include "audio/devices/DeviceClock.h"
#include "audio/devices/WaveHeader.h"

class WaveOut {
public:
    explicit WaveOut(DeviceClock& clock) : clock(clock) {}
    virtual ~WaveOut() = default;
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    // Queues a buffer: it plays after those queued before it. A buffer marked with both loop
    // flags plays `loops` times, or until BreakLoop.
    virtual void Write(WaveHeader* header) = 0;
    // Stops playing where it is; Restart goes on from there.
    virtual void Pause() = 0;
    virtual void Restart() = 0;
    // Stops at once and marks every queued buffer done, in order, before it returns.
    virtual void Reset() = 0;
    // Lets a looping buffer finish its current pass and go on to the next buffer.
    virtual void BreakLoop() = 0;

    // The buffer event (manual reset): set whenever a buffer is done, and by anyone who wants
    // a waiting feeder to look again.
    void SetEvent();
    void ResetEvent();
    // Waits up to `timeoutMs` of the device's clock for the event; true when it is set.
    bool WaitEvent(int timeoutMs);

    DeviceClock& Clock() const { return clock; }

protected:
    // Marks a buffer done and signals the event; called by the device's thread.
    void MarkDone(WaveHeader* header);

private:
    DeviceClock& clock;
    std::mutex eventMutex;
    std::condition_variable eventChanged;
    bool eventSet = false;
};
