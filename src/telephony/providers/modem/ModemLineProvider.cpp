// Voice modems on serial ports as line devices.
#include "telephony/providers/modem/ModemLineProvider.h"

#include <filesystem>
#include <mutex>

#include "base/AsciiText.h"
#include "base/PosixFile.h"

#include "telephony/Tapi.h"
#include "telephony/providers/modem/ModemDiscovery.h"
#include "telephony/providers/modem/ModemPort.h"
#include "telephony/providers/modem/ModemProbe.h"
#include "telephony/providers/modem/VoiceModem.h"

namespace {

// The program that most often holds a modem, and what a user can do about it.
constexpr char kModemManager[] = "ModemManager";
constexpr char kModemManagerHint[] =
    " (ModemManager probes modems; it leaves one alone that udev marks with "
    "ID_MM_DEVICE_IGNORE=1)";

// Whether a process of this name runs (any user's: /proc/PID/comm is readable to all).
bool IsProgramRunning(const std::string& name) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::optional<std::string> comm = ReadWholeFile((entry.path() / "comm").string());
        if (comm && TrimSpace(*comm) == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

struct ModemLineProvider::Impl {
    ModemLineOptions options;
    bool probed = false;
    std::vector<ModemReport> reports;
    std::vector<ModemProfile> profiles;  // by report
    std::vector<std::size_t> lines;      // the reports that are voice lines, in device order

    DeviceClock& Clock() const {
        return options.clock != nullptr ? *options.clock : SystemDeviceClock();
    }

    std::shared_ptr<PortHandOff> HandOffOf(const std::string& port) const {
        auto found = options.handOffs.find(port);
        return found != options.handOffs.end() ? found->second : nullptr;
    }

    // The port's channel, or why there is none.
    std::unique_ptr<ModemChannel> OpenChannel(const std::string& port, std::string& problem) {
        std::variant<ModemPort, PortFailure> opened = ModemPort::Open(port, options.lockFolder);
        if (auto* failure = std::get_if<PortFailure>(&opened)) {
            problem = Describe(*failure);
            // ModemManager runs as root: its hold on a port cannot be seen, only that it runs.
            if (failure->problem == PortProblem::Held &&
                (failure->detail.find(kModemManager) != std::string::npos ||
                 (failure->detail.empty() && IsProgramRunning(kModemManager)))) {
                problem += kModemManagerHint;
            }
            return nullptr;
        }
        return std::make_unique<ModemChannel>(
            std::make_unique<ModemPort>(std::move(std::get<ModemPort>(opened))), Clock(),
            HandOffOf(port));
    }

    // The ports to look at: those named, else those that may be modems.
    std::vector<ModemPortInfo> Ports() const {
        ModemDiscovery discovery(options.devRoot, options.sysRoot);
        if (options.ports.empty()) {
            return discovery.Candidates();
        }
        std::vector<ModemPortInfo> ports;
        for (const std::string& port : options.ports) {
            ModemPortInfo info = discovery.Describe(port);
            // A port named by a stable link keeps it: it stays right when the device moves.
            info.stablePort = info.stablePort == info.port ? port : info.stablePort;
            info.port = port;
            ports.push_back(std::move(info));
        }
        return ports;
    }

    void Probe() {
        if (probed) {
            return;
        }
        probed = true;
        for (const ModemPortInfo& info : Ports()) {
            ModemReport report;
            report.port = info.port;
            report.stablePort = info.stablePort;
            if (!info.vendorId.empty()) {
                report.usbIds = info.vendorId + ":" + info.productId;
            }
            ModemProfile profile;
            if (std::unique_ptr<ModemChannel> channel = OpenChannel(info.port, report.problem)) {
                profile = ProbeModem(*channel);
                report.identification = profile.identification;
                report.voice = profile.voice;
                for (const VoiceFormat& format : profile.formats) {
                    report.formats.push_back(Describe(format));
                }
                if (!profile.answers) {
                    report.problem = "does not answer AT commands";
                } else if (!profile.voice) {
                    report.problem = "not a voice modem";
                }
            }
            report.name = ModemLineName(profile, info);
            if (report.voice) {
                lines.push_back(reports.size());
            }
            reports.push_back(std::move(report));
            profiles.push_back(std::move(profile));
        }
    }
};

ModemLineProvider::ModemLineProvider(ModemLineOptions options) : impl(std::make_unique<Impl>()) {
    impl->options = std::move(options);
}

ModemLineProvider::~ModemLineProvider() = default;

std::vector<LineDeviceCaps> ModemLineProvider::Devices() {
    impl->Probe();
    std::vector<LineDeviceCaps> devices;
    for (std::size_t index : impl->lines) {
        devices.push_back(
            {impl->reports[index].name, LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN});
    }
    return devices;
}

std::int32_t ModemLineProvider::Open(std::size_t index, std::uint32_t, std::uint32_t,
                                     std::shared_ptr<LineEventSink> sink,
                                     std::unique_ptr<LineDevice>& device) {
    impl->Probe();
    if (index >= impl->lines.size()) {
        return LINEERR_BADDEVICEID;
    }
    const ModemReport& report = impl->reports[impl->lines[index]];
    std::string problem;
    std::unique_ptr<ModemChannel> channel = impl->OpenChannel(report.stablePort, problem);
    if (!channel) {
        return LINEERR_RESOURCEUNAVAIL;
    }
    Impl* provider = impl.get();
    std::string port = report.stablePort;
    auto modem =
        std::make_unique<VoiceModem>(std::move(channel), impl->profiles[impl->lines[index]],
                                     report.name, std::move(sink), [provider, port] {
                                         std::string ignored;
                                         return provider->OpenChannel(port, ignored);
                                     });
    if (!modem->Start()) {
        return LINEERR_OPERATIONFAILED;
    }
    device = std::move(modem);
    return 0;
}

std::int32_t ModemLineProvider::ConfigDialog(std::size_t index, std::string_view) {
    return index < impl->lines.size() ? 0 : LINEERR_BADDEVICEID;
}

const std::vector<ModemReport>& ModemLineProvider::Reports() {
    impl->Probe();
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
