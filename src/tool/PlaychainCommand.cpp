// quillon-tool playchain: an audio file through the telephone play process (high-pass filter,
// compressor, gain), so that the Hold page's settings can be heard and measured.
#include "audio/dsp/PlayChain.h"
#include "audio/files/AudioConversion.h"
#include "audio/files/WaveWriters.h"
#include "tool/FileConversion.h"
#include "tool/Tool.h"
#include "tool/ToolOptions.h"

int RunPlaychainCommand(const ToolArgs& args, std::ostream& /*out*/, std::ostream& err) {
    ToolOptions options;
    if (auto error =
            ParseToolOptions(args, {"--highpass", "--compressor", "--gain"}, {}, options)) {
        return UsageError(err, *error);
    }
    if (options.positional.size() != 2) {
        return UsageError(err, "playchain takes an input and an output file");
    }
    const auto highPass = ParseIntOption(options.Value("--highpass", "0"), 0, 1500);
    const auto threshold = ParseDecibelOption(options.Value("--compressor", "0"), -18, 0);
    const auto gain = ParseDecibelOption(options.Value("--gain", "0"), -8, 8);
    if (!highPass) {
        return UsageError(err, "--highpass must be 0 to 1500 Hz");
    }
    if (!threshold) {
        return UsageError(err, "--compressor must be -18 to 0 dB");
    }
    if (!gain) {
        return UsageError(err, "--gain must be -8 to 8 dB");
    }
    const std::string& input = options.positional[0];
    const std::string& output = options.positional[1];
    LSoundSourcePtr source;
    if (std::optional<int> stop = OpenConversionInput(input, output, err, source)) {
        return *stop;
    }
    // The peak stage of the conversion keeps what the gain and compressor add within 16 bits.
    LSoundSourcePtr chain =
        BuildConversionChain(BuildPlayChain(source, *highPass, *threshold, *gain),
                             source->sampleRate, source->channels, kPeakBound16Bit);
    if (!chain) {
        err << "quillon-tool: " << input << ": cannot be played through the process\n";
        return kToolFailed;
    }
    return WriteConversionOutput(
        *chain, output,
        [&](const std::string& file) {
            return CreateWaveWriter(file, source->sampleRate, 0, 16, source->channels);
        },
        err);
}
