// Finding voice modem ports in a fake device and sysfs tree: their order, the ports left out,
// stable names and USB ids, and configured names resolved back to ports.
#include "telephony/providers/modem/ModemDiscovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "support/TempDir.h"

void PrintTo(const ModemPortInfo& info, std::ostream* out) {
    *out << info.port << " stable " << info.stablePort << " usb " << info.vendorId << ":"
         << info.productId << " '" << info.manufacturer << "' '" << info.product << "'";
}

namespace {

namespace fs = std::filesystem;

TEST(ModemDiscoveryTest, FindsVoiceModemPortsInOrderWithTheirStableNamesAndUsbIds) {
    TempDir dir;
    const std::string dev = fs::canonical(dir.Path()) / "dev";
    const std::string sys = dir / "sys";
    for (const char* folder :
         {"dev/serial/by-id", "sys/devices/usb1/1-1/1-1:1.0",
          "sys/devices/usb1/1-2/1-2:1.0/ttyUSB0", "sys/class/tty/ttyS0", "sys/class/tty/ttyS1",
          "sys/class/tty/ttyACM2", "sys/class/tty/ttyUSB0"}) {
        fs::create_directories(dir / folder);
    }
    // ttyS2 has no sysfs folder; the others only look alike.
    for (const char* node : {"ttyACM10", "ttyACM2", "ttyUSB0", "ttyS0", "ttyS1", "ttyS2", "tty",
                             "ttyACM", "ttyACM1x", "ttyprintk", "console"}) {
        WriteFile(dev + "/" + node, "");
    }
    const std::string stable = dev + "/serial/by-id/usb-Conexant_USB_Modem_24680246-if00";
    fs::create_symlink("../../ttyACM2", stable);
    fs::create_symlink("../../ttyS1", dev + "/serial/by-id/pci-serial-port");  // sorts first
    // A USB modem's tty device is its interface, with the device's ids one folder up; a serial
    // adapter's is a port below its interface.
    for (const auto& [file, value] : std::initializer_list<std::pair<const char*, const char*>>{
             {"sys/devices/usb1/1-1/idVendor", "0572\n"},
             {"sys/devices/usb1/1-1/idProduct", "1340\n"},
             {"sys/devices/usb1/1-1/manufacturer", "Conexant\n"},
             {"sys/devices/usb1/1-1/product", "USB Modem\n"},
             {"sys/devices/usb1/1-2/idVendor", "067b\n"},
             {"sys/devices/usb1/1-2/idProduct", "2303\n"},
             {"sys/class/tty/ttyS0/type", "4\n"},
             {"sys/class/tty/ttyS1/type", "0\n"},
         }) {
        WriteFile(dir / file, value);
    }
    fs::create_directory_symlink("../../../devices/usb1/1-1/1-1:1.0",
                                 sys + "/class/tty/ttyACM2/device");
    fs::create_directory_symlink("../../../devices/usb1/1-2/1-2:1.0/ttyUSB0",
                                 sys + "/class/tty/ttyUSB0/device");

    const ModemDiscovery discovery(dev, sys);
    const std::vector<ModemPortInfo> expected{
        {dev + "/ttyACM2", stable, "0572", "1340", "Conexant", "USB Modem"},
        {dev + "/ttyACM10", dev + "/ttyACM10", "", "", "", ""},
        {dev + "/ttyUSB0", dev + "/ttyUSB0", "067b", "2303", "", ""},
        {dev + "/ttyS0", dev + "/ttyS0", "", "", "", ""},
    };
    EXPECT_EQ(discovery.Candidates(), expected);

    for (const auto& [configured, port] :
         std::initializer_list<std::pair<std::string, std::string>>{
             {stable, dev + "/ttyACM2"},
             {"ttyACM10", dev + "/ttyACM10"},
             {dev + "/ttyUSB0", dev + "/ttyUSB0"},
             {"ttyACM7", ""},
             {dev + "/serial/by-id/usb-Gone-if00", ""},
         }) {
        EXPECT_EQ(discovery.Resolve(configured), port) << configured;
    }
}

}  // namespace
