// quillon-tool info: the format, length, peak and level of an audio file, and the call's story
// a recording keeps.
#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/files/AudioConversion.h"
#include "audio/files/RecordingInfo.h"
#include "settings/TimeText.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"

namespace {

// Full scale of 16-bit audio in internal units.
constexpr double kFullScale = 524288.0;

std::string Decibels(double db, const char* unit) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", db, unit);
    return text;
}

// An event's offset from the audio's start as minutes, seconds and hundredths ("0:12.40",
// "-0:03.00" before it); the frame itself when the file gives no rate.
std::string OffsetText(const RecordingInfo& info, const CallEvent& event) {
    return info.eventRate == 0 ? "frame " + std::to_string(event.frame)
                               : FormatClock(info.EventTime(event), true);
}

// The INFO values that are set and the events, one a line; nothing for a file without.
void PrintRecordingInfo(const std::string& path, std::ostream& out) {
    const RecordingInfo info = ReadRecordingInfo(path).value_or(RecordingInfo());
    const std::pair<const char*, const std::string*> values[] = {{"caller:   ", &info.caller},
                                                                 {"date:     ", &info.date},
                                                                 {"line:     ", &info.line},
                                                                 {"note:     ", &info.note}};
    for (const auto& [label, value] : values) {
        if (!value->empty()) {
            out << label << *value << "\n";
        }
    }
    for (const CallEvent& event : info.events) {
        out << "event:    " << OffsetText(info, event) << "  " << CallEventKindName(event.kind)
            << (event.text.empty() ? "" : "  ") << event.text << "\n";
    }
}

}  // namespace

int RunInfoCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        return UsageError(err, "info takes one file");
    }
    WaveFormatRecord format;
    LSoundSourcePtr source = OpenToolInput(args[0], err, &format);
    if (!source) {
        return kToolFailed;
    }
    // Reads the whole file: a compressed file's length is only exact once it is decoded.
    std::vector<std::int32_t> block(std::size_t(kConversionBlockFrames) * source->channels);
    std::int32_t peak = 0;
    double sumOfSquares = 0;
    while (source->GetPosition() < source->GetLength()) {
        const std::int32_t before = source->GetPosition();
        source->Read(block.data(), kConversionBlockFrames);
        const std::int32_t inside =
            std::clamp(source->GetLength() - before, 0, kConversionBlockFrames);
        const std::size_t count = std::size_t(inside) * source->channels;
        peak = std::max(peak, BlockPeak(block.data(), count));
        // The block level's scale: squares of the samples shifted down by 5 bits.
        for (std::size_t i = 0; i < count; ++i) {
            const double x = block[i] >> 5;
            sumOfSquares += x * x;
        }
    }
    const std::int32_t length = source->GetLength();
    const double meanSquare = length > 0 ? sumOfSquares / (double(length) * source->channels) : 0;
    out << "file:     " << args[0] << "\n"
        << "format:   " << FormatName(format) << "\n"
        << "rate:     " << source->sampleRate << " Hz\n"
        << "channels: " << int(source->channels) << "\n"
        << "length:   " << length << " frames ("
        << FormatTime4(FramesToTime(length, source->sampleRate)) << ")\n"
        << "peak:     "
        << (peak > 0 ? Decibels(20 * std::log10(peak / kFullScale), "dBFS") : "silent") << "\n"
        << "level:    "
        << (meanSquare > 0 ? Decibels(10 * std::log10(meanSquare / double(kZeroDBMeanSquare)), "dB")
                           : "silent")
        << "\n";
    PrintRecordingInfo(args[0], out);
    return kToolOk;
}
