// Voice modems on serial ports as line devices.
#include "telephony/providers/modem/ModemLineProvider.h"

#include <mutex>

#include "telephony/Tapi.h"

struct ModemLineProvider::Impl {
    ModemLineOptions options;
    std::vector<ModemReport> reports;
};

ModemLineProvider::ModemLineProvider(ModemLineOptions options) : impl(std::make_unique<Impl>()) {
    impl->options = std::move(options);
}

ModemLineProvider::~ModemLineProvider() = default;

std::vector<LineDeviceCaps> ModemLineProvider::Devices() {
    return {};
}

std::int32_t ModemLineProvider::Open(std::size_t, std::uint32_t, std::uint32_t,
                                     std::shared_ptr<LineEventSink>, std::unique_ptr<LineDevice>&) {
    return LINEERR_BADDEVICEID;
}

std::int32_t ModemLineProvider::ConfigDialog(std::size_t, std::string_view) {
    return LINEERR_BADDEVICEID;
}

const std::vector<ModemReport>& ModemLineProvider::Reports() {
    return impl->reports;
}

namespace {

struct PortSetting {
    std::mutex mutex;
    std::vector<std::string> ports;
};

PortSetting& ThePortSetting() {
    static PortSetting setting;
    return setting;
}

}  // namespace

void SetModemPorts(std::vector<std::string> ports) {
    PortSetting& setting = ThePortSetting();
    std::lock_guard lock(setting.mutex);
    setting.ports = std::move(ports);
}

std::vector<std::string> ModemPorts() {
    PortSetting& setting = ThePortSetting();
    std::lock_guard lock(setting.mutex);
    return setting.ports;
}

std::unique_ptr<LineProvider> CreateModemLineProvider() {
    ModemLineOptions options;
    options.ports = ModemPorts();
    return std::make_unique<ModemLineProvider>(std::move(options));
}
