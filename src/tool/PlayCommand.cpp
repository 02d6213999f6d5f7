// quillon-tool play: plays an audio file through the sound player.
#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/Mixer.h"
#include "audio/devices/WaveDevices.h"
#include "audio/files/WaveReaders.h"
#include "tool/AudioInput.h"
#include "tool/ProgressPrinter.h"
#include "tool/Tool.h"
#include "tool/ToolEventLoop.h"
#include "tool/ToolOptions.h"

namespace {

// Prints the position and level once a second, and ends the loop when playing stops.
class PlayProgress : public LSoundPlayerNotify {
public:
    explicit PlayProgress(std::ostream& out) : printer(out) {}

    void OnPlayerPosition(std::uint32_t, std::int32_t position) override {
        printer.Position(position);
    }
    void OnPlayerLevels(const LLevelReport& report, std::uint32_t) override {
        printer.Levels(report);
    }
    void OnPlayerStopped(std::uint32_t) override { printer.Stopped("stopped at", ""); }

private:
    ProgressPrinter printer;
};

}  // namespace

int RunPlayCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    EnsureToolApplication();
    ToolOptions options;
    if (auto problem = ParseToolOptions(args, {"--device", "--volume"}, {}, options)) {
        return UsageError(err, *problem);
    }
    if (options.positional.size() != 1) {
        return UsageError(err, "play needs one FILE");
    }
    std::optional<std::int32_t> device = ParseIntOption(options.Value("--device", "0"), 0, 127);
    std::optional<std::int8_t> volume = ParseDecibelOption(options.Value("--volume", "0"));
    if (!device || !volume) {
        return UsageError(err, device ? "--volume takes a level in dB" : "--device takes an id");
    }
    const std::string& file = options.positional[0];
    LSoundSourcePtr source = OpenWaveFile(file);
    if (!source || source->IsInvalid()) {
        return ReportUnreadableInput(file, "a WAV file", err);
    }
    std::vector<std::string> names = WaveDeviceNames(WaveDirection::Output);
    if (*device >= static_cast<std::int32_t>(names.size())) {
        err << "quillon-tool: there is no output device " << *device << "\n";
        return kToolFailed;
    }

    SetPlayVolume(static_cast<std::int8_t>(*device), *volume, 0);
    PlayProgress progress(out);
    LSoundPlayer player;
    player.device = static_cast<std::int8_t>(*device);
    player.target = &progress;
    player.reportLevels = true;
    const std::string& name = names[static_cast<std::size_t>(*device)];
    if (!player.Start(source, 0)) {
        err << "quillon-tool: cannot open output device " << *device << " (" << name << ") for "
            << source->sampleRate << " Hz audio\n";
        return kToolFailed;
    }
    out << "playing " << file << " (" << source->sampleRate << " Hz, "
        << static_cast<int>(source->channels) << (source->channels == 1 ? " channel" : " channels")
        << ") on " << name << std::endl;
    RunToolEventLoop([&] { player.Stop(); });
    return kToolOk;
}
