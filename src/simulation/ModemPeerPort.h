// The modem peer's end of the serial port: a pseudo terminal whose terminal the program opens by
// a stable link, read and written without waiting, counted on a hand-off when both ends run on a
// test clock.
#pragma once

#include <memory>
#include <string>

#include "base/UniqueFd.h"
#include "telephony/providers/modem/ModemShielding.h"
#include "telephony/providers/modem/PortHandOff.h"

class ModemPeerPort {
public:
    // How long, in real time, a read waits for bytes the hand-off says the program wrote.
    static constexpr int kArrivalTimeoutMs = 1000;

    ModemPeerPort(std::string linkPath, std::shared_ptr<PortHandOff> handOff);
    ~ModemPeerPort();
    ModemPeerPort(const ModemPeerPort&) = delete;
    ModemPeerPort& operator=(const ModemPeerPort&) = delete;

    const std::string& LinkPath() const { return link; }
    // A new pseudo terminal, both ends raw, with the link pointing at its terminal; the
    // terminal itself is left closed for the program to open. False when none could be made.
    bool Open();
    // Closes the pseudo terminal and removes the link: the program's reads and writes fail.
    void Close();
    bool IsOpen() const { return master.Valid(); }

    // What the program wrote: with a hand-off all it counted (bytes that do not come are lost),
    // otherwise what is there.
    ModemBytes Read();
    // Sends `bytes` while the program has the port open; otherwise they are lost, as on a
    // serial line nobody listens to. So is what does not fit.
    void Write(const ModemBytes& bytes);

private:
    std::string link;
    std::shared_ptr<PortHandOff> handOff;
    UniqueFd master;
};
