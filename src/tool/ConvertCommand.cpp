// quillon-tool convert: an audio file converted to another rate, channel count and format, as
// prompts are when they are loaded.
#include "audio/files/AudioConversion.h"
#include "audio/files/WaveWriters.h"
#include "tool/AudioInput.h"
#include "tool/FileConversion.h"
#include "tool/Tool.h"
#include "tool/ToolOptions.h"

namespace {

// The format record OUT is written in, or nothing for an unknown codec name.
std::optional<WaveFormatRecord> OutputFormat(const std::string& codec, std::int32_t rate,
                                             std::int32_t channels, std::int32_t bits) {
    const auto r = static_cast<std::uint32_t>(rate);
    const auto c = static_cast<std::uint16_t>(channels);
    if (codec == "pcm") {
        WaveFormatRecord pcm = Pcm16Format(r, c);
        pcm.bitsPerSample = static_cast<std::uint16_t>(bits);
        pcm.blockAlign = static_cast<std::uint16_t>(c * bits / 8);
        pcm.bytesPerSecond = r * pcm.blockAlign;
        return pcm;
    }
    if (codec == "ulaw") {
        return G711Format(kWaveFormatMulaw, r, c);
    }
    if (codec == "alaw") {
        return G711Format(kWaveFormatAlaw, r, c);
    }
    if (codec == "ima") {
        return ImaAdpcmFormat(r, c);
    }
    return std::nullopt;
}

}  // namespace

int RunConvertCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    ToolOptions options;
    if (auto error =
            ParseToolOptions(args, {"--rate", "--channels", "--bits", "--codec"}, {}, options)) {
        return UsageError(err, *error);
    }
    if (options.positional.size() != 2) {
        return UsageError(err, "convert takes an input and an output file");
    }
    const std::string& input = options.positional[0];
    const std::string& output = options.positional[1];
    const auto rate = ParseIntOption(options.Value("--rate", "8000"), 1, 192000);
    const auto channels = ParseIntOption(options.Value("--channels", "1"), 1, 255);
    const auto bits = ParseIntOption(options.Value("--bits", "16"), 8, 32);
    if (!rate) {
        return UsageError(err, "--rate must be 1 to 192000 Hz");
    }
    if (!channels) {
        return UsageError(err, "--channels must be 1 to 255");
    }
    if (!bits || (*bits != 8 && *bits != 16 && *bits != 32)) {
        return UsageError(err, "--bits must be 8, 16 or 32");
    }
    const std::optional<WaveFormatRecord> format =
        OutputFormat(options.Value("--codec", "pcm"), *rate, *channels, *bits);
    if (!format) {
        return UsageError(err, "--codec must be pcm, ulaw, alaw or ima");
    }
    LSoundSourcePtr source;
    if (std::optional<int> stop = OpenConversionInput(input, output, err, source)) {
        return *stop;
    }
    LSoundSourcePtr chain =
        BuildConversionChain(source, *rate, *channels, WaveWriterPeakBound(*format));
    if (!chain) {
        err << "quillon-tool: " << input << ": " << int(source->channels) << " channels at "
            << source->sampleRate << " Hz cannot be converted to " << *channels << " channels at "
            << *rate << " Hz\n";
        return kToolFailed;
    }
    std::int32_t frames = 0;
    const auto makeWriter = [&](const std::string& file) {
        return CreateWaveWriterForFormat(file, *format);
    };
    if (int result = WriteConversionOutput(*chain, output, makeWriter, err, &frames);
        result != kToolOk) {
        return result;
    }
    out << output << ": " << frames << " frames, " << *rate << " Hz, " << *channels
        << (*channels == 1 ? " channel, " : " channels, ") << FormatName(*format) << "\n";
    return kToolOk;
}
