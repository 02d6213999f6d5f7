// Voice modems on serial ports as line devices: the built-in "Modem" provider, and what
// `quillon-tool lines` reports of each port it looked at.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "telephony/LineProvider.h"
#include "telephony/providers/modem/PortHandOff.h"

// Where UUCP lock files of serial ports live (other programs' and ours).
inline constexpr char kUucpLockFolder[] = "/var/lock";

struct ModemLineOptions {
    // The ports to use, in order; empty: find the modems of this machine.
    std::vector<std::string> ports;
    // What paces the line's audio and its timeouts; null: the system device clock.
    DeviceClock* clock = nullptr;
    // By port: where a peer in this process stands in for the modem on a test clock.
    std::map<std::string, std::shared_ptr<PortHandOff>> handOffs;
    std::string lockFolder = kUucpLockFolder;
    // Where ports and what the system tells of them are looked up.
    std::string devRoot = "/dev";
    std::string sysRoot = "/sys";
};

// What was found on one port.
struct ModemReport {
    std::string port;        // as named or found (/dev/ttyACM0)
    std::string stablePort;  // /dev/serial/by-id/... when there is one, else the port
    std::string name;        // the line device name
    std::string usbIds;      // "0572:1340" when a USB device is behind the port
    std::string identification;
    bool voice = false;
    std::vector<std::string> formats;  // voice sample formats offered ("131 G.711U")
    std::string problem;               // why it is not a line ("held by ModemManager (pid 812)")
};

class ModemLineProvider : public LineProvider {
public:
    explicit ModemLineProvider(ModemLineOptions options);
    ~ModemLineProvider() override;

    // Probes the ports when first asked: one device per voice modem.
    std::vector<LineDeviceCaps> Devices() override;
    std::int32_t Open(std::size_t index, std::uint32_t privileges, std::uint32_t mediaModes,
                      std::shared_ptr<LineEventSink> sink,
                      std::unique_ptr<LineDevice>& line) override;
    std::int32_t ConfigDialog(std::size_t index, std::string_view deviceClass) override;

    // Every port looked at, voice line or not.
    const std::vector<ModemReport>& Reports();

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The ports the built-in provider uses instead of finding them (the "modempath" setting or a
// `--line PATH` option); empty: find them.
void SetModemPorts(std::vector<std::string> ports);
std::vector<std::string> ModemPorts();
// The built-in provider's factory: the system clock and the ports set above.
std::unique_ptr<LineProvider> CreateModemLineProvider();
