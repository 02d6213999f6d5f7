// Which serial ports of this machine may be voice modems, and what the system tells of each: a
// name that stays when the device is plugged in again, and the USB device behind it.
#pragma once

#include <string>
#include <vector>

struct ModemPortInfo {
    std::string port;        // /dev/ttyACM0
    std::string stablePort;  // its link in /dev/serial/by-id/ when it has one, else the port
    // From the USB device behind the port, as sysfs gives them ("0572", "1340", "Conexant",
    // "USB Modem"); empty when it is not a USB device or does not say.
    std::string vendorId;
    std::string productId;
    std::string manufacturer;
    std::string product;
    bool operator==(const ModemPortInfo&) const = default;
};

// Looks in the device and sysfs folders given (a tree of plain files and folders will do).
class ModemDiscovery {
public:
    explicit ModemDiscovery(std::string devRoot = "/dev", std::string sysRoot = "/sys");

    // The ports that may be voice modems, in the order to try them: ttyACM (USB voice modems),
    // ttyUSB (modems behind a serial adapter), then the ttyS ports that have a UART; each kind
    // in number order.
    std::vector<ModemPortInfo> Candidates() const;
    // What is known of `port`, a port path as Candidates or Resolve give it.
    ModemPortInfo Describe(const std::string& port) const;
    // The port that `configured` stands for now: a path (a stable link, links followed) or a
    // port name ("ttyACM0"); empty when it names nothing.
    std::string Resolve(const std::string& configured) const;

private:
    std::string devRoot;
    std::string sysRoot;
};
