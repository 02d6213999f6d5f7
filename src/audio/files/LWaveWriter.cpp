// PCM WAV file writer: the 46-byte header, width conversion and the periodic header rewrite.
#include "audio/files/LWaveWriter.h"

#include <algorithm>
#include <limits>

#include "audio/files/WaveFormat.h"

namespace {

// Header sizes are 32-bit: a file that outgrows them keeps the largest size the field holds.
std::uint32_t SizeField(std::uint64_t size) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu - 38));
}

// Internal samples to the file width; shifts are arithmetic, and values beyond the width wrap
// (the chain keeps within the writer's peak bound).
void Convert8(const std::int32_t* in, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(in[i]) + 1024);
        out[i] = static_cast<std::uint8_t>((x >> 11) + 128);
    }
}

void Convert16(const std::int32_t* in, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(in[i]) + 8);
        StoreLe16(out + 2 * i, static_cast<std::uint16_t>(x >> 4));
    }
}

void Convert32(const std::int32_t* in, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        StoreLe32(out + 4 * i, static_cast<std::uint32_t>(in[i]) << 12);
    }
}

}  // namespace

LWaveWriter::LWaveWriter(const std::string& fileName, std::int32_t sampleRate,
                         std::int32_t startFrame, std::int32_t bytesPerSample,
                         std::int32_t channels)
    : bytesPerSample(bytesPerSample) {
    this->sampleRate = sampleRate;
    this->channels = static_cast<std::uint8_t>(channels);
    peakBound = bytesPerSample == 1 ? kPeakBound8Bit : kPeakBound16Bit;
    // A rate or channel count the header cannot describe gives no file at all.
    if (sampleRate < 1 || channels < 1 || channels > 255) {
        flags |= kSoundInvalid;
        return;
    }
    file = WaveFileHandle::OpenForWriting(fileName, false);
    if (!file.IsOpen()) {
        SetError(LastFileError());
        flags |= kSoundInvalid;
        return;
    }
    position = std::max(startFrame, 0);
    WriteHeader(DataSize(false));
    if (!file.EndAt(FrameOffset(position))) {
        SetError(LastFileError());
    }
    conversion.resize(static_cast<std::size_t>(kWaveBlockFrames) * channels * bytesPerSample);
}

LWaveWriter::~LWaveWriter() {
    if (file.IsOpen()) {
        WriteHeader(DataSize(true));
    }
}

void LWaveWriter::Write(const std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0) {
        return;
    }
    if (IsInvalid()) {
        position = AdvanceFrames(position, frames);
        return;
    }
    if (HasFailed()) {
        return;
    }
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t block = std::min(frames - done, kWaveBlockFrames);
        const std::size_t count = static_cast<std::size_t>(block) * channels;
        const std::int32_t* in = buffer + static_cast<std::size_t>(done) * channels;
        switch (bytesPerSample) {
            case 1:
                Convert8(in, count, conversion.data());
                break;
            case 2:
                Convert16(in, count, conversion.data());
                break;
            default:
                Convert32(in, count, conversion.data());
                break;
        }
        if (!file.Write(conversion.data(), count * bytesPerSample)) {
            StopAtFailedWrite();
            return;
        }
        done += block;
    }
    position = AdvanceFrames(position, frames);
    headerCountdown -= frames;
    if (headerCountdown < 0) {
        WriteHeader(DataSize(false));
    }
}

void LWaveWriter::StopAtFailedWrite() {
    SetError(LastFileError());
    // The file position has moved on by what reached the file; a part of a frame is cut off.
    const std::int64_t written = std::max<std::int64_t>(file.Tell() - kWaveHeaderSize, 0);
    position = static_cast<std::int32_t>(std::min<std::int64_t>(
        written / (channels * bytesPerSample), std::numeric_limits<std::int32_t>::max()));
    file.EndAt(FrameOffset(position));
    WriteHeader(DataSize(false));
}

void LWaveWriter::Truncate(std::int32_t frames) {
    if (!file.IsOpen() || frames > position) {
        return;
    }
    position = std::max(frames, 0);
    WriteHeader(DataSize(false));
    file.EndAt(FrameOffset(position));
}

void LWaveWriter::WriteHeader(std::uint64_t dataSize) {
    const auto blockAlign = static_cast<std::uint16_t>(channels * bytesPerSample);
    std::uint8_t header[kWaveHeaderSize];
    std::copy_n("RIFF", 4, header);
    StoreLe32(header + 4, SizeField(dataSize) + 38);
    std::copy_n("WAVEfmt ", 8, header + 8);
    StoreLe32(header + 16, 18);
    StoreLe16(header + 20, kWaveFormatPcm);
    StoreLe16(header + 22, channels);
    StoreLe32(header + 24, static_cast<std::uint32_t>(sampleRate));
    StoreLe32(header + 28, static_cast<std::uint32_t>(sampleRate) * blockAlign);
    StoreLe16(header + 32, blockAlign);
    StoreLe16(header + 34, static_cast<std::uint16_t>(bytesPerSample * 8));
    StoreLe16(header + 36, 0);
    std::copy_n("data", 4, header + 38);
    StoreLe32(header + 42, SizeField(dataSize));
    if (!file.WriteAt(0, header, sizeof header)) {
        SetError(LastFileError());
    }
    if (flushHeaders) {
        file.Flush();
    }
    headerCountdown = static_cast<std::int32_t>(std::min<std::int64_t>(
        std::int64_t{sampleRate} * 16, std::numeric_limits<std::int32_t>::max()));
}

std::uint64_t LWaveWriter::DataSize(bool finished) const {
    const std::uint64_t ahead =
        finished || HasFailed() ? 0 : static_cast<std::uint64_t>(sampleRate) * 32;
    return (ahead + static_cast<std::uint64_t>(position)) * channels * bytesPerSample;
}

std::int64_t LWaveWriter::FrameOffset(std::int32_t frame) const {
    return kWaveHeaderSize + static_cast<std::int64_t>(frame) * channels * bytesPerSample;
}
