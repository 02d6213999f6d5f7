// Where the two ends of a serial port meet in one process on a test clock.
#include "telephony/providers/modem/PortHandOff.h"

namespace {

// A reader may take bytes before their writer has counted them: none are then unread.
std::size_t Unread(std::uint64_t written, std::uint64_t read) {
    return written > read ? static_cast<std::size_t>(written - read) : 0;
}

}  // namespace

void PortHandOff::PeerWrote(std::size_t bytes) {
    {
        std::lock_guard lock(mutex);
        peerWritten += bytes;
    }
    Wake();
}

void PortHandOff::PeerRead(std::size_t bytes) {
    std::lock_guard lock(mutex);
    peerRead += bytes;
}

std::size_t PortHandOff::UnreadByPeer() const {
    std::lock_guard lock(mutex);
    return Unread(programWritten, peerRead);
}

void PortHandOff::ProgramWrote(std::size_t bytes) {
    std::lock_guard lock(mutex);
    programWritten += bytes;
}

void PortHandOff::ProgramRead(std::size_t bytes) {
    std::lock_guard lock(mutex);
    programRead += bytes;
}

std::size_t PortHandOff::UnreadByProgram() const {
    std::lock_guard lock(mutex);
    return Unread(peerWritten, programRead);
}

bool PortHandOff::Wait(std::int64_t deadline, const std::function<bool()>& ready, bool forBytes) {
    std::unique_lock lock(mutex);
    return clock.WaitUntil(changed, lock, deadline,
                           [&] { return (forBytes && peerWritten > programRead) || ready(); });
}

void PortHandOff::Wake() {
    {
        // Taken so that a wait between its check and its sleep is not missed.
        std::lock_guard lock(mutex);
    }
    clock.Notify(changed);
}

void PortHandOff::SetPeerPump(std::function<void()> newPump) {
    std::lock_guard lock(mutex);
    pump = std::move(newPump);
}

bool PortHandOff::PumpPeer() {
    std::function<void()> run;
    {
        std::lock_guard lock(mutex);
        run = pump;
    }
    if (!run) {
        return false;
    }
    run();
    return true;
}
