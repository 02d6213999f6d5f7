// The program's end of a modem's port.
#include "telephony/providers/modem/ModemChannel.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include "base/PosixFile.h"

namespace {

// Bytes a hand-off says are on their way arrive within this much real time, or the port is
// taken for lost.
constexpr int kHandOffArrivalMs = 2000;

}  // namespace

ModemChannel::ModemChannel(std::unique_ptr<ModemPort> port, DeviceClock& clock,
                           std::shared_ptr<PortHandOff> handOff)
    : port(std::move(port)), clock(clock), handOff(std::move(handOff)) {
    if (!this->handOff) {
        wakeFd.Reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    }
}

ModemChannel::~ModemChannel() {
    if (handOff) {
        handOff->ProgramRead(handOff->UnreadByProgram());
    }
}

const std::string& ModemChannel::Path() const {
    return port->Path();
}

bool ModemChannel::Send(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return true;
    }
    if (!port->Write(bytes)) {
        return false;
    }
    if (handOff) {
        handOff->ProgramWrote(bytes.size());
    }
    return true;
}

bool ModemChannel::ReadInto(std::vector<ModemEvent>& events) {
    buffer.clear();
    if (!port->Read(buffer)) {
        return false;
    }
    if (handOff) {
        handOff->ProgramRead(buffer.size());
    }
    std::vector<ModemEvent> read = stream.Feed(buffer);
    std::move(read.begin(), read.end(), std::back_inserter(events));
    return true;
}

bool ModemChannel::PollFor(int timeoutMs, bool& portReady, bool forBytes) {
    const short portEvents = forBytes ? POLLIN : 0;
    pollfd fds[2] = {{port->Fd(), portEvents, 0}, {wakeFd.Get(), POLLIN, 0}};
    int count = wakeFd ? 2 : 1;
    int result = RetryInterrupted([&] { return ::poll(fds, count, timeoutMs); });
    if (result < 0) {
        return false;
    }
    if (count == 2 && (fds[1].revents & POLLIN) != 0) {
        std::uint64_t value = 0;
        [[maybe_unused]] auto ignored = ::read(wakeFd.Get(), &value, sizeof value);
    }
    portReady = (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return true;
}

bool ModemChannel::HungUp() const {
    pollfd state{port->Fd(), POLLIN, 0};
    return ::poll(&state, 1, 0) < 0 || (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool ModemChannel::ReadHandedOff(std::vector<ModemEvent>& events) {
    while (handOff->UnreadByProgram() > 0) {
        bool ready = false;
        if (!PollFor(kHandOffArrivalMs, ready) || !ready || !ReadInto(events)) {
            return false;
        }
    }
    return true;
}

bool ModemChannel::Receive(std::int64_t deadline, std::vector<ModemEvent>& events, bool paced) {
    if (handOff) {
        handOff->Wait(
            deadline, [this] { return woken.load() || HungUp(); }, !paced);
        woken = false;
        return !HungUp() && ReadHandedOff(events);
    }
    for (;;) {
        std::int64_t left = deadline - clock.Now();
        if (left <= 0 || woken.exchange(false)) {
            // A paced wait reads what came meanwhile.
            return !paced || ReadInto(events);
        }
        // The clock may run faster than real time.
        int timeoutMs = deadline == INT64_MAX
                            ? -1
                            : static_cast<int>(static_cast<double>(left) / clock.Speed() / 1e6) + 1;
        bool ready = false;
        // A paced wait is ended early only by a wake or a hang-up.
        if (!PollFor(timeoutMs, ready, !paced)) {
            return false;
        }
        if (ready) {
            return ReadInto(events);
        }
    }
}

bool ModemChannel::ReceiveAnswer(std::int64_t timeoutNs, std::vector<ModemEvent>& events) {
    if (handOff) {
        handOff->PumpPeer();
        return ReadHandedOff(events);
    }
    bool ready = false;
    if (!PollFor(static_cast<int>(timeoutNs / 1'000'000), ready)) {
        return false;
    }
    return !ready || ReadInto(events);
}

void ModemChannel::DropDtr() {
    // Modems hang up and leave command mode once DTR has been low this long (AT&D2).
    constexpr std::chrono::milliseconds kDtrDrop{600};
    port->DropDtr(kDtrDrop);
}

void ModemChannel::Wake() {
    woken = true;
    if (handOff) {
        handOff->Wake();
    } else {
        std::uint64_t one = 1;
        [[maybe_unused]] auto ignored = ::write(wakeFd.Get(), &one, sizeof one);
    }
}
