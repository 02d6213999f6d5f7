// quillon-tool lines: the line devices of the built-in providers as the line layer numbers them,
// and what the Modem provider found on each port it looked at.
#include <algorithm>

#include "recorder/AppState.h"
#include "telephony/LTapiLine.h"
#include "telephony/LineDeviceSelection.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/modem/ModemLineProvider.h"
#include "tool/Tool.h"
#include "tool/ToolEventLoop.h"
#include "tool/ToolOptions.h"

namespace {

// The Modem provider under a name of its own, so that the listing keeps hold of the instance
// the line layer loads and asks it what it found.
constexpr char kListedModemProvider[] = "Modem (listed)";

// The devices of the providers in use, numbered as the line layer numbers them.
void PrintDevices(std::ostream& out, const char* title) {
    out << title << ":\n";
    LTapiLine::Initialize();
    for (std::uint32_t device = 0; device < LTapiLine::NumDevices(); ++device) {
        out << "  " << device << "  " << LTapiLine::GetLineName(device)
            << (LTapiLine::IsVoiceLine(device) ? "" : "  (not voice capable)") << "\n";
    }
    if (LTapiLine::NumDevices() == 0) {
        out << "  none\n";
    }
}

void PrintField(std::ostream& out, const char* label, const std::string& value) {
    if (!value.empty()) {
        out << "    " << label << value << "\n";
    }
}

void PrintReports(std::ostream& out, const std::vector<ModemReport>& reports) {
    out << "Modem ports:\n";
    for (const ModemReport& report : reports) {
        out << "  " << report.port
            << (report.stablePort != report.port ? "  (" + report.stablePort + ")" : "") << "\n";
        PrintField(
            out, "line device:    ",
            report.name.empty() ? "" : report.name + (report.voice ? "" : " (not voice capable)"));
        PrintField(out, "identification: ", report.identification);
        std::string formats;
        for (const std::string& format : report.formats) {
            formats += (formats.empty() ? "" : ", ") + format;
        }
        PrintField(out, "voice formats:  ", formats);
        PrintField(out, "problem:        ", report.problem);
    }
    if (reports.empty()) {
        out << "  none found (a port can be named with --line PATH, or for good in the "
               "\"modempath\" setting)\n";
    }
}

}  // namespace

int RunLinesCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    EnsureToolApplication();
    ToolOptions options;
    if (auto problem = ParseToolOptions(args, {"--line"}, {}, options)) {
        return UsageError(err, *problem);
    }
    if (!options.positional.empty()) {
        return UsageError(err, "lines takes no arguments besides its option");
    }
    const std::string port = options.Value("--line", "");
    if (options.Has("--line") && !IsLinePort(port)) {
        return UsageError(err, "--line takes the PATH of a modem port here");
    }
    AppState app;
    ResolveAppFolders(app);
    UseModemPort(app.settingsFile, port);
    {
        ModemLineProvider* modem = nullptr;
        LineProviderRegistration listed(kListedModemProvider, [&modem] {
            std::unique_ptr<LineProvider> provider = CreateModemLineProvider();
            modem = dynamic_cast<ModemLineProvider*>(provider.get());
            return provider;
        });
        std::vector<std::string> real = BuiltInLineProviders(LineProviderKind::Real);
        std::replace(real.begin(), real.end(), std::string(kModemLineProvider),
                     std::string(kListedModemProvider));
        LineProvidersInUse inUse(real);
        PrintDevices(out, "Line devices (quillon and quillon-tool watch)");
        PrintReports(out, modem ? modem->Reports() : std::vector<ModemReport>{});
    }
    LineProvidersInUse inUse(BuiltInLineProviders(LineProviderKind::Simulation));
    PrintDevices(out, "Simulated line devices (quillon --simulate)");
    return kToolOk;
}
