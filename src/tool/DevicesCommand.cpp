// quillon-tool devices: the wave output and input devices with their ids.
#include "audio/devices/WaveDevices.h"
#include "tool/Tool.h"

namespace {

void PrintList(std::ostream& out, const char* title, WaveDirection direction) {
    out << title << ":\n";
    std::vector<std::string> names = WaveDeviceNames(direction);
    for (std::size_t id = 0; id < names.size(); ++id) {
        out << "  " << id << "  " << names[id] << "\n";
    }
    if (names.size() == 1) {
        out << "  (ALSA reports no sound card; only its default device is offered)\n";
    }
}

}  // namespace

int RunDevicesCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        return UsageError(err, "devices takes no arguments");
    }
    PrintList(out, "Output devices", WaveDirection::Output);
    PrintList(out, "Input devices", WaveDirection::Input);
    return kToolOk;
}
