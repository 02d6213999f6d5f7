// Test helpers for the MP3 decoder.
#include "Mp3TestFiles.h"

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>

#include "WaveTestFiles.h"
#include "audio/files/LMp3Reader.h"
#include "support/TempDir.h"

namespace {

std::vector<std::int16_t> MakeSignal(TestSignal signal, int rate, int channels, double seconds) {
    std::vector<std::int16_t> samples;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const auto sine = [&](double hz, int i) {
        return std::sin(2 * std::numbers::pi * hz * i / rate);
    };
    for (int i = 0; i < static_cast<int>(seconds * rate); ++i) {
        double left = 0.0;
        double right = 0.0;
        if (signal == TestSignal::music) {
            left = 0.3 * sine(220 * (1 + 0.004 * sine(5, i)), i) + 0.2 * sine(1375, i) +
                   0.1 * sine(3010, i) + 0.05 * noise(random);
            right = 0.8 * left + 0.05 * sine(660, i) + 0.02 * noise(random);
        } else {
            const double envelope = std::exp(-(i % (rate / 7)) / (rate * 0.004));
            left = envelope * noise(random) * 0.6 + 0.06 * sine(300, i);
            right = envelope * noise(random) * 0.6 + 0.06 * sine(450, i);
        }
        samples.push_back(static_cast<std::int16_t>(left * 32767));
        if (channels == 2) {
            samples.push_back(static_cast<std::int16_t>(right * 32767));
        }
    }
    return samples;
}

}  // namespace

bool EncodeWithLame(const std::string& mp3Path, TestSignal signal, int rate, int channels,
                    double seconds, const std::string& options) {
    const std::string wavPath = mp3Path + ".wav";
    WriteFile(wavPath, Pcm16File(channels, rate, MakeSignal(signal, rate, channels, seconds)));
    const std::string command = "lame --quiet --noreplaygain --resample " +
                                std::to_string(rate / 1000.0) + " " + options + " '" + wavPath +
                                "' '" + mp3Path + "'";
    return std::system(command.c_str()) == 0;
}

std::vector<std::uint8_t> HeaderBytes(int versionBits, int bitrateIndex, int sampleIndex, int mode,
                                      int layerBits, int padding, bool crc) {
    return {0xFF,
            static_cast<std::uint8_t>(0xE0 | versionBits << 3 | layerBits << 1 | (crc ? 0 : 1)),
            static_cast<std::uint8_t>(bitrateIndex << 4 | sampleIndex << 2 | padding << 1),
            static_cast<std::uint8_t>(mode << 6 | 2 << 4)};
}

std::vector<std::uint8_t> SilentFrame(int versionBits, int bitrateIndex, int sampleIndex,
                                      int mode) {
    std::vector<std::uint8_t> frame = HeaderBytes(versionBits, bitrateIndex, sampleIndex, mode);
    Mp3Header header;
    ParseMp3Header(frame.data(), header);
    frame.resize(header.FrameBytes(), 0);
    return frame;
}

std::vector<std::uint8_t> Repeated(const std::vector<std::uint8_t>& bytes, int times,
                                   std::vector<std::uint8_t> before) {
    for (int i = 0; i < times; ++i) {
        before.insert(before.end(), bytes.begin(), bytes.end());
    }
    return before;
}

Decoded DecodeWithReader(const std::string& path) {
    Decoded result;
    LSoundSourcePtr reader = OpenMp3File(path);
    result.valid = !reader->IsInvalid();
    result.rate = reader->sampleRate;
    result.channels = reader->channels;
    std::vector<std::int32_t> buffer(4000u * reader->channels);
    while (result.valid && reader->GetPosition() < reader->GetLength()) {
        const std::int32_t wanted = std::min(4000, reader->GetLength() - reader->GetPosition());
        reader->Read(buffer.data(), wanted);
        result.samples.insert(result.samples.end(), buffer.begin(),
                              buffer.begin() + std::size_t(wanted) * reader->channels);
    }
    // Whatever was read beyond the final length (the estimate shrank under a read) is silence
    // and not part of the audio.
    result.finalLength = reader->GetLength();
    result.samples.resize(std::size_t(result.finalLength) * reader->channels);
    return result;
}
