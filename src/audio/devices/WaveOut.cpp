// An open wave output device: the buffer event shared by every kind of device.
#include "audio/devices/WaveOut.h"

void WaveOut::SetEvent() {
    {
        std::lock_guard lock(eventMutex);
        eventSet = true;
    }
    clock.Notify(eventChanged);
}

void WaveOut::ResetEvent() {
    std::lock_guard lock(eventMutex);
    eventSet = false;
}

bool WaveOut::WaitEvent(int timeoutMs) {
    std::unique_lock lock(eventMutex);
    std::int64_t deadline = clock.Now() + static_cast<std::int64_t>(timeoutMs) * 1'000'000;
    return clock.WaitUntil(eventChanged, lock, deadline, [this] { return eventSet; });
}

void WaveOut::MarkDone(WaveHeader* header) {
    header->MarkDone();
    SetEvent();
}
