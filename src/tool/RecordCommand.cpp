// quillon-tool record: records from an input device into a WAV file.
#include <cstdio>
#include <cstring>

#include "audio/devices/LSoundRecorder.h"
#include "audio/devices/WaveDevices.h"
#include "audio/files/WaveWriters.h"
#include "settings/TimeText.h"
#include "tool/ProgressPrinter.h"
#include "tool/Tool.h"
#include "tool/ToolEventLoop.h"
#include "tool/ToolOptions.h"
#include "tool/ToolOutput.h"

namespace {

// With voice operation, a silence longer than this ends a take.
constexpr std::int32_t kVoxSilenceLimit = 2 * kTimeUnitsPerSecond;

class RecordProgress : public LSoundRecorderNotify {
public:
    explicit RecordProgress(std::ostream& out) : printer(out) {}

    void OnRecorderWriting(std::uint32_t) override { printer.Line("recording"); }
    void OnRecorderWaiting(std::uint32_t) override { printer.Line("waiting for sound"); }
    void OnRecorderPosition(std::uint32_t, std::int32_t position) override {
        printer.Position(position);
    }
    void OnRecorderLevels(const LLevelReport& report, std::uint32_t) override {
        printer.Levels(report);
    }
    void OnRecorderStopped(std::uint32_t) override { printer.Stopped("stopped:", " recorded"); }

private:
    ProgressPrinter printer;
};

}  // namespace

int RunRecordCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    EnsureToolApplication();
    ToolOptions options;
    if (auto problem = ParseToolOptions(
            args, {"--device", "--seconds", "--rate", "--channels", "--vox"}, {}, options)) {
        return UsageError(err, *problem);
    }
    if (options.positional.size() != 1) {
        return UsageError(err, "record needs one FILE");
    }
    auto device = ParseIntOption(options.Value("--device", "0"), 0, 127);
    auto seconds = ParseIntOption(options.Value("--seconds", "0"), 0, 200000);
    auto rate = ParseIntOption(options.Value("--rate", "8000"), 100, 192000);
    auto channels = ParseIntOption(options.Value("--channels", "1"), 1, 2);
    auto vox = ParseDecibelOption(options.Value("--vox", "--dB"));
    if (!device || !seconds || !rate || !channels || !vox) {
        return UsageError(err, "a number is out of range");
    }
    std::vector<std::string> names = WaveDeviceNames(WaveDirection::Input);
    if (*device >= static_cast<std::int32_t>(names.size())) {
        err << "quillon-tool: there is no input device " << *device << "\n";
        return kToolFailed;
    }
    const std::string& file = options.positional[0];
    const std::optional<std::string> target = OutputTarget(file, err);
    if (!target) {
        return kToolFailed;
    }
    LSoundSinkPtr writer = CreateWaveWriter(*target, *rate, 0, 16, *channels);
    if (const int error = WriterError(writer); error != 0) {
        return ReportUnwritable(file, error, err);
    }

    RecordProgress progress(out);
    LSoundRecorder recorder;
    recorder.device = static_cast<std::int8_t>(*device);
    recorder.target = &progress;
    bool voiceOperated = *vox > -127;
    if (!recorder.Start(writer, voiceOperated ? 0 : kRecorderStartWriting, kVoxSilenceLimit, *vox,
                        *seconds * kTimeUnitsPerSecond)) {
        err << "quillon-tool: cannot open input device " << *device << " ("
            << names[static_cast<std::size_t>(*device)] << ") for " << *rate << " Hz audio\n";
        writer.Release();
        std::remove(target->c_str());  // nothing was recorded: leave no empty file behind
        return kToolFailed;
    }
    RunToolEventLoop([&] { recorder.Stop(); });
    // A write that failed ended the recording; what reached the file before it stays.
    if (writer->HasFailed()) {
        err << "quillon-tool: " << file << ": recording stopped: " << std::strerror(writer->error)
            << " (what was recorded before is kept)\n";
        return kToolFailed;
    }
    return kToolOk;
}
