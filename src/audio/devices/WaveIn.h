// An open wave input device: fills queued buffers in order and hands each one back, full, to
// the owner's callback on the device's own thread.
#pragma once

#include <functional>

#include "audio/devices/WaveHeader.h"

class WaveIn {
public:
    // Receives each filled buffer (done flag set, bytesRecorded filled in), in queue order.
    using DataCallback = std::function<void(WaveHeader*)>;

    virtual ~WaveIn() = default;
    WaveIn() = default;
    WaveIn(const WaveIn&) = delete;
    WaveIn& operator=(const WaveIn&) = delete;

    // Queues an empty buffer to be filled.
    virtual void AddBuffer(WaveHeader* header) = 0;
    // Starts and stops capturing; audio that arrives with no buffer queued is lost.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    // Stops and hands every queued buffer back at once, in order, before it returns.
    virtual void Reset() = 0;

    // Hands a buffer back to its owner with `bytes` filled: what every input device does.
    static void Complete(WaveHeader* header, std::uint32_t bytes, const DataCallback& callback) {
        header->bytesRecorded = bytes;
        header->MarkDone();
        if (callback) {
            callback(header);
        }
    }
};
