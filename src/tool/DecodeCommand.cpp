// quillon-tool decode: an MP3 file decoded at its own rate and channels, to a 16-bit WAV file or,
// for inspection at full precision, to the decoder's raw 32-bit samples.
#include <cerrno>
#include <vector>

#include "audio/dsp/LPeakLimiter.h"
#include "audio/files/LMp3Reader.h"
#include "audio/files/WaveFileHandle.h"
#include "audio/files/WaveWriters.h"
#include "base/PosixFile.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"
#include "tool/ToolOptions.h"
#include "tool/ToolOutput.h"

namespace {

constexpr std::int32_t kBlockFrames = 8192;

// Reads `source` block by block until its position reaches its length, which an MP3 reader
// only estimates until its decoding reaches the end, and hands each block to `write`: the
// frames of the last block beyond the final length are silence, not audio, and are left out.
// Returns the frames written.
template <class Write>
std::int32_t ReadToEnd(LSoundSource& source, Write write) {
    std::vector<std::int32_t> block(std::size_t(kBlockFrames) * source.channels);
    std::int32_t frames = 0;
    while (source.GetPosition() < source.GetLength()) {
        const std::int32_t start = source.GetPosition();
        source.Read(block.data(), std::min(kBlockFrames, source.GetLength() - start));
        const std::int32_t count = std::min(source.GetPosition(), source.GetLength()) - start;
        if (!write(block.data(), count)) {
            break;
        }
        frames += count;
    }
    return frames;
}

int WriteRaw(LSoundSource& reader, const std::string& output, std::ostream& out,
             std::ostream& err) {
    ToolOutputFile file(output, err);
    if (!file.IsOpen()) {
        return kToolFailed;
    }
    std::string bytes;
    int error = 0;
    const std::int32_t frames =
        ReadToEnd(reader, [&](const std::int32_t* samples, std::int32_t count) {
            bytes.resize(std::size_t(count) * reader.channels * 4);
            for (std::size_t i = 0; i < bytes.size() / 4; ++i) {
                const auto value = static_cast<std::uint32_t>(samples[i]);
                for (int b = 0; b < 4; ++b) {
                    bytes[4 * i + b] = static_cast<char>(value >> (8 * b));
                }
            }
            if (!WriteAll(file.Fd(), bytes)) {
                error = LastFileError();
            }
            return error == 0;
        });
    if (file.Finish(error) != kToolOk) {
        return kToolFailed;
    }
    out << output << ": " << frames << " frames, " << reader.sampleRate << " Hz, "
        << int(reader.channels) << (reader.channels == 1 ? " channel" : " channels")
        << ", raw 32-bit\n";
    return kToolOk;
}

int WriteWave(const LSoundSourcePtr& reader, const std::string& output, std::ostream& out,
              std::ostream& err) {
    const std::int32_t rate = reader->sampleRate;
    const std::int32_t channels = reader->channels;
    LSoundSourcePtr head = reader;
    LPeakLimiterProcess(WaveWriterPeakBound(Pcm16Format(rate, channels))).Create(head, head);
    ToolOutputFile file(output, err);
    if (!file.IsOpen()) {
        return kToolFailed;
    }
    LSoundSinkPtr writer = CreateWaveWriter(file.TempName(), rate, 0, 16, channels);
    std::int32_t frames = 0;
    if (head && WriterError(writer) == 0) {
        frames = ReadToEnd(*head, [&](const std::int32_t* samples, std::int32_t n) {
            writer->Write(samples, n);
            return !writer->HasFailed();
        });
    }
    const int error = head ? WriterError(writer) : ENOMEM;
    writer.Release();  // the file is complete once its writer has gone
    if (file.Finish(error) != kToolOk) {
        return kToolFailed;
    }
    out << output << ": " << frames << " frames, " << rate << " Hz, " << channels
        << (channels == 1 ? " channel, " : " channels, ") << "PCM 16-bit\n";
    return kToolOk;
}

}  // namespace

int RunDecodeCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    ToolOptions options;
    if (auto error = ParseToolOptions(args, {}, {"--raw"}, options)) {
        return UsageError(err, *error);
    }
    if (options.positional.size() != 2) {
        return UsageError(err, "decode takes an input and an output file");
    }
    const std::string& input = options.positional[0];
    const std::string& output = options.positional[1];
    if (IsSameFile(input, output)) {
        return UsageError(err, "the output would overwrite the input");
    }
    LSoundSourcePtr reader = OpenMp3File(input);
    if (!reader || reader->IsInvalid()) {
        return ReportUnreadableInput(input, "an MPEG audio Layer III file", err);
    }
    return options.Has("--raw") ? WriteRaw(*reader, output, out, err)
                                : WriteWave(reader, output, out, err);
}
