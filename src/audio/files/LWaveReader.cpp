// Uncompressed WAV file reader: length refresh, zero fill around the data and sample conversion.
#include "audio/files/LWaveReader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

#include "audio/files/LWaveWriter.h"
#include "audio/files/WaveFormat.h"

namespace {

void Convert8(const std::uint8_t* in, std::size_t count, std::int32_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = (in[i] - 128) * 2048;
    }
}

void Convert16(const std::uint8_t* in, std::size_t count, std::int32_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::int16_t>(LoadLe16(in + 2 * i)) * 16;
    }
}

// 24- and 32-bit full scale would round one step above the 16-bit peak bound, and written
// back at 16 bits that step wraps to the negative full scale: it is held at the bound.
void Convert24(const std::uint8_t* in, std::size_t count, std::int32_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = in + 3 * i;
        auto s = static_cast<std::int32_t>(
                     static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) << 8) >>
                 8;
        out[i] = std::min((s + 8) >> 4, kPeakBound16Bit);
    }
}

void Convert32(const std::uint8_t* in, std::size_t count, std::int32_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        auto s = static_cast<std::int32_t>(LoadLe32(in + 4 * i));
        out[i] = static_cast<std::int32_t>(
            std::min<std::int64_t>((std::int64_t{s} + 2048) >> 12, kPeakBound16Bit));
    }
}

// 1.0 is the 16-bit full scale. Rounding half up and holding at the peak bound as above, a
// float made from a 16-, 24- or 32-bit sample reads as that sample does.
template <class Float, class Bits>
void ConvertFloat(const std::uint8_t* in, std::size_t count, std::int32_t* out) {
    constexpr double kFullScale = 32768.0 * 16;
    for (std::size_t i = 0; i < count; ++i) {
        Bits bits = 0;
        for (std::size_t b = 0; b < sizeof bits; ++b) {
            bits |= Bits{in[sizeof bits * i + b]} << (8 * b);
        }
        const double v = std::floor(double(std::bit_cast<Float>(bits)) * kFullScale + 0.5);
        out[i] =
            std::isnan(v)
                ? 0
                : static_cast<std::int32_t>(std::clamp(v, -kFullScale, double{kPeakBound16Bit}));
    }
}

}  // namespace

LWaveReader::LWaveReader(WaveFileHandle file, std::int64_t dataStart, std::int32_t sampleRate,
                         std::uint8_t channels, std::int32_t bytesPerSample, bool floatingPoint)
    : bytesPerSample(bytesPerSample),
      file(std::move(file)),
      dataStart(dataStart),
      sizeFieldOffset(dataStart - 4) {
    this->sampleRate = sampleRate;
    this->channels = channels;
    peakBound = bytesPerSample == 1 ? kPeakBound8Bit : kPeakBound16Bit;
    if (floatingPoint) {
        convert = bytesPerSample == 4 ? ConvertFloat<float, std::uint32_t>
                                      : ConvertFloat<double, std::uint64_t>;
    } else {
        static constexpr decltype(convert) kIntegers[4] = {Convert8, Convert16, Convert24,
                                                           Convert32};
        convert = kIntegers[bytesPerSample - 1];
    }
    readBuffer.resize(static_cast<std::size_t>(kWaveBlockFrames) * channels * bytesPerSample);
    RefreshLength();
}

void LWaveReader::Read(std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0) {
        return;
    }
    const std::int32_t first = position;
    position = AdvanceFrames(position, frames);
    const std::int32_t end = position;
    if (IsInvalid() || end <= 0) {
        FillSilence(buffer, frames);
        return;
    }
    // Frames before 0 are silence.
    const std::int32_t lead = std::max(0, -first);
    FillSilence(buffer, lead);
    const std::int32_t start = first + lead;
    if (end > length) {
        RefreshLength();
    }
    const std::int32_t available = std::clamp(std::min(end, length) - start, 0, end - start);
    const std::int32_t read = ReadFrames(start, available, buffer + std::size_t(lead) * channels);
    FillSilence(buffer + (std::size_t(lead) + read) * channels, frames - lead - read);
}

std::int32_t LWaveReader::ReadFrames(std::int32_t first, std::int32_t frames, std::int32_t* out) {
    const std::size_t frameBytes = std::size_t(channels) * bytesPerSample;
    std::int32_t done = 0;
    while (done < frames) {
        const std::int32_t block = std::min(frames - done, kWaveBlockFrames);
        const std::int64_t offset =
            dataStart + std::int64_t{first + done} * std::int64_t(frameBytes);
        const std::size_t got = file.ReadAt(offset, readBuffer.data(), block * frameBytes);
        const std::size_t samples = got / bytesPerSample;
        std::int32_t* to = out + std::size_t(done) * channels;
        convert(readBuffer.data(), samples, to);
        if (got < block * frameBytes) {
            // The file was cut short under us: the partial frame's missing samples are zeros.
            std::fill(to + samples, to + (got + frameBytes - 1) / frameBytes * channels, 0);
            return done + static_cast<std::int32_t>((got + frameBytes - 1) / frameBytes);
        }
        done += block;
    }
    return done;
}

void LWaveReader::Seek(std::int32_t frame) {
    if (IsInvalid()) {
        return;
    }
    position = frame;
    if (frame > length) {
        RefreshLength();
    }
}

std::int32_t LWaveReader::GetPosition() {
    return position;
}

std::int32_t LWaveReader::GetLength() {
    if (length <= position) {
        RefreshLength();
    }
    return length;
}

void LWaveReader::RefreshLength() {
    if (IsInvalid()) {
        return;
    }
    std::uint8_t field[4];
    if (file.ReadAt(sizeFieldOffset, field, sizeof field) != sizeof field) {
        return;
    }
    const std::int64_t present = std::max<std::int64_t>(file.Size() - dataStart, 0);
    const std::int64_t bytes = std::min<std::int64_t>(LoadLe32(field), present);
    length = static_cast<std::int32_t>(
        std::min<std::int64_t>(bytes / (std::int64_t{channels} * bytesPerSample),
                               std::numeric_limits<std::int32_t>::max()));
}
