// The program's end of a modem's port: bytes out, events in, and the waits between, paced by
// the line's clock (and handed off to a peer in this process when one stands in for the modem).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "base/UniqueFd.h"
#include "telephony/providers/modem/ModemEvent.h"
#include "telephony/providers/modem/ModemPort.h"
#include "telephony/providers/modem/ModemStream.h"
#include "telephony/providers/modem/PortHandOff.h"

class ModemChannel {
public:
    ModemChannel(std::unique_ptr<ModemPort> port, DeviceClock& clock,
                 std::shared_ptr<PortHandOff> handOff);
    // What the modem sent that was not read goes with the port.
    ~ModemChannel();
    ModemChannel(const ModemChannel&) = delete;
    ModemChannel& operator=(const ModemChannel&) = delete;

    DeviceClock& Clock() const { return clock; }
    ModemStream& Stream() { return stream; }
    const std::string& Path() const;

    // Sends `bytes`; false when the port is lost (gone, or a write blocked too long).
    bool Send(std::span<const std::uint8_t> bytes);
    // Waits until the modem sends something (unless `paced`: then until the deadline, as a
    // stream's bytes come all the time), Wake is called, or the clock reaches `deadline`, and
    // reads what came into `events`. False when the port is lost.
    bool Receive(std::int64_t deadline, std::vector<ModemEvent>& events, bool paced = false);
    // Reads what the modem answered to what was sent, without waiting on the clock: the start
    // of a line, before anyone moves a test clock. False when the port is lost.
    bool ReceiveAnswer(std::int64_t timeoutNs, std::vector<ModemEvent>& events);
    // Ends a Receive early; any thread.
    void Wake();
    // Drops DTR where the port has it: what stops a modem that no longer hears commands.
    void DropDtr();

private:
    bool ReadInto(std::vector<ModemEvent>& events);
    // Reads until the peer's bytes have all arrived (they may still be in the kernel).
    bool ReadHandedOff(std::vector<ModemEvent>& events);
    // Waits for bytes (or, without `forBytes`, only a hang-up) or a wake.
    bool PollFor(int timeoutMs, bool& portReady, bool forBytes = true);
    // Whether the other end has gone.
    bool HungUp() const;

    std::unique_ptr<ModemPort> port;
    DeviceClock& clock;
    std::shared_ptr<PortHandOff> handOff;
    ModemStream stream;
    UniqueFd wakeFd;  // an eventfd, when no hand-off
    std::atomic<bool> woken{false};
    std::vector<std::uint8_t> buffer;
};
