// Finding the serial ports that may be voice modems, with their stable names and USB ids.
#include "telephony/providers/modem/ModemDiscovery.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "base/AsciiText.h"
#include "base/PosixFile.h"

namespace {

namespace fs = std::filesystem;

struct PortKind {
    std::string_view prefix;
    bool needsUart;  // its nodes are there whether a UART is behind them or not
};

// In the order they are tried.
constexpr std::array kPortKinds{
    PortKind{"ttyACM", false},
    PortKind{"ttyUSB", false},
    PortKind{"ttyS", true},
};

// The number after `prefix` in `name` ("ttyACM10": 10), when the rest of the name is one.
std::optional<unsigned> PortNumber(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size());
    unsigned number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

// A sysfs attribute without its newline; empty when there is none.
std::string Attribute(const fs::path& file) {
    const std::optional<std::string> content = ReadWholeFile(file);
    return content ? std::string(TrimSpace(*content)) : std::string();
}

// sysfs's folder of the tty `name`.
fs::path TtyFolder(const std::string& sysRoot, const std::string& name) {
    return fs::path(sysRoot) / "class/tty" / name;
}

// `path` with every link followed; empty when it leads nowhere.
std::string Followed(const fs::path& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? std::string() : target.string();
}

}  // namespace

ModemDiscovery::ModemDiscovery(std::string devRoot, std::string sysRoot)
    : devRoot(std::move(devRoot)), sysRoot(std::move(sysRoot)) {}

std::vector<ModemPortInfo> ModemDiscovery::Candidates() const {
    std::vector<std::tuple<std::size_t, unsigned, std::string>> found;  // kind, number, name
    // sysfs gives a serial port's UART type, 0 for none.
    const auto hasUart = [this](const std::string& name) {
        const std::string type = Attribute(TtyFolder(sysRoot, name) / "type");
        return !type.empty() && type != "0";
    };
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(devRoot, error)) {
        const std::string name = entry.path().filename();
        for (std::size_t kind = 0; kind < kPortKinds.size(); ++kind) {
            const std::optional<unsigned> number = PortNumber(name, kPortKinds[kind].prefix);
            if (number && (!kPortKinds[kind].needsUart || hasUart(name))) {
                found.emplace_back(kind, *number, name);
            }
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<ModemPortInfo> candidates;
    for (const auto& [kind, number, name] : found) {
        candidates.push_back(Describe(devRoot + "/" + name));
    }
    return candidates;
}

ModemPortInfo ModemDiscovery::Describe(const std::string& port) const {
    ModemPortInfo info{port, port, {}, {}, {}, {}};
    const std::string target = Followed(port);
    std::vector<fs::path> links;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(devRoot) / "serial/by-id", error)) {
        links.push_back(entry.path());
    }
    std::sort(links.begin(), links.end());
    const auto stable = std::find_if(links.begin(), links.end(), [&](const fs::path& link) {
        return !target.empty() && Followed(link) == target;
    });
    if (stable != links.end()) {
        info.stablePort = stable->string();
    }
    // sysfs's device of a tty is a USB interface (cdc_acm) or, for a serial adapter, a port below
    // one; the USB device holding the ids is the folder above the interface.
    const fs::path device = TtyFolder(sysRoot, fs::path(port).filename()) / "device";
    for (const fs::path& usb : {device / "..", device / ".." / ".."}) {
        info.vendorId = Attribute(usb / "idVendor");
        if (!info.vendorId.empty()) {
            info.productId = Attribute(usb / "idProduct");
            info.manufacturer = Attribute(usb / "manufacturer");
            info.product = Attribute(usb / "product");
            break;
        }
    }
    return info;
}

std::string ModemDiscovery::Resolve(const std::string& configured) const {
    return Followed(configured.find('/') == std::string::npos ? devRoot + "/" + configured
                                                              : configured);
}
