// Where the two ends of a serial port meet when both run in this process on a test clock: the
// program's modem line on one end, a peer standing in for the modem on the other. A pseudo
// terminal delivers written bytes a little later, on a kernel thread of its own, so neither end
// can see by itself that bytes are on their way. Each end counts what it wrote and read, and the
// clock moves on only once each has read everything the other wrote.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

#include "audio/devices/DeviceClock.h"

class PortHandOff {
public:
    explicit PortHandOff(DeviceClock& clock) : clock(clock) {}
    PortHandOff(const PortHandOff&) = delete;
    PortHandOff& operator=(const PortHandOff&) = delete;

    DeviceClock& Clock() const { return clock; }

    // The peer's end. PeerWrote wakes the program's wait. The pump answers what the program
    // wrote without the clock moving: the program's first talk with the modem happens before
    // anyone moves the clock.
    void SetPeerPump(std::function<void()> pump);
    void PeerWrote(std::size_t bytes);
    void PeerRead(std::size_t bytes);
    // Bytes the program wrote that the peer has not read yet.
    std::size_t UnreadByPeer() const;

    // The program's end.
    void ProgramWrote(std::size_t bytes);
    void ProgramRead(std::size_t bytes);
    std::size_t UnreadByProgram() const;
    // The program's wait on the clock: until the peer wrote bytes the program has not read
    // (when `forBytes`), `ready()` holds (checked under the hand-off's lock: change what it
    // reads, then call Wake), or the clock reaches `deadline`. True when there is something to do.
    bool Wait(std::int64_t deadline, const std::function<bool()>& ready, bool forBytes = true);
    void Wake();
    // Lets the peer answer what the program wrote; false when no peer pump is set.
    bool PumpPeer();

private:
    DeviceClock& clock;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t peerWritten = 0;
    std::uint64_t peerRead = 0;
    std::uint64_t programWritten = 0;
    std::uint64_t programRead = 0;
    std::function<void()> pump;  // set once, before the program's end opens
};
