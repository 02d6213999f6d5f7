// WAV file throughput: writing and reading PCM and compressed files, and the whole conversion
// of 44.1 kHz stereo to the telephone format, in frames per second of wall time
// (items_per_second; the writers' header flushes wait for the disk). The files live in a
// temporary folder (TMPDIR or /tmp).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "audio/files/AudioConversion.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"

namespace {

constexpr std::int32_t kBlock = 8192;

class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/wavbench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path = pattern;
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::string File(const char* name) const { return path + "/" + name; }

private:
    std::string path;
};

const ScratchFolder& Scratch() {
    static const ScratchFolder folder;
    return folder;
}

// One block of a two-tone signal at 16-bit scale.
std::vector<std::int32_t> SignalBlock(std::int32_t channels, double rate) {
    std::vector<std::int32_t> block(std::size_t(kBlock) * channels);
    for (std::int32_t i = 0; i < kBlock; ++i) {
        for (std::int32_t c = 0; c < channels; ++c) {
            const double t = i / rate;
            block[std::size_t(i) * channels + c] = static_cast<std::int32_t>(
                200000 * std::sin(2 * std::numbers::pi * 440 * t) +
                100000 * std::sin(2 * std::numbers::pi * (1200 + 300 * c) * t));
        }
    }
    return block;
}

// Writes `seconds` of audio to `name` in `format` and returns the path.
std::string MakeFile(const char* name, const WaveFormatRecord& format, std::int32_t seconds) {
    const std::string path = Scratch().File(name);
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, format);
    const std::vector<std::int32_t> block = SignalBlock(format.channels, format.sampleRate);
    for (std::int64_t done = 0; done < std::int64_t{seconds} * format.sampleRate; done += kBlock) {
        writer->Write(block.data(), kBlock);
    }
    return path;
}

// One pass writes a minute of audio.
void WriteMinute(benchmark::State& state, const WaveFormatRecord& format) {
    const std::string path = Scratch().File("write.wav");
    const std::vector<std::int32_t> block = SignalBlock(format.channels, format.sampleRate);
    const std::int32_t blocks = std::int32_t(60 * format.sampleRate / kBlock);
    for (auto _ : state) {
        LSoundSinkPtr writer = CreateWaveWriterForFormat(path, format);
        for (std::int32_t i = 0; i < blocks; ++i) {
            writer->Write(block.data(), kBlock);
        }
    }
    state.SetItemsProcessed(state.iterations() * blocks * kBlock);
}

// One pass reads a whole file from its start.
void ReadWhole(benchmark::State& state, const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    std::vector<std::int32_t> buffer(std::size_t(kBlock) * source->channels);
    std::int64_t frames = 0;
    for (auto _ : state) {
        source->Seek(0);
        while (source->GetPosition() < source->GetLength()) {
            source->Read(buffer.data(), kBlock);
            benchmark::DoNotOptimize(buffer.data());
            frames += kBlock;
        }
    }
    state.SetItemsProcessed(frames);
}

void BM_WriteTelephonePcm(benchmark::State& state) {
    WriteMinute(state, Pcm16Format(8000, 1));
}
BENCHMARK(BM_WriteTelephonePcm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteCdPcm(benchmark::State& state) {
    WriteMinute(state, Pcm16Format(44100, 2));
}
BENCHMARK(BM_WriteCdPcm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteMulaw(benchmark::State& state) {
    WriteMinute(state, G711Format(kWaveFormatMulaw, 8000, 1));
}
BENCHMARK(BM_WriteMulaw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteImaAdpcm(benchmark::State& state) {
    WriteMinute(state, ImaAdpcmFormat(8000, 1));
}
BENCHMARK(BM_WriteImaAdpcm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadCdPcm(benchmark::State& state) {
    static const std::string path = MakeFile("cd.wav", Pcm16Format(44100, 2), 60);
    ReadWhole(state, path);
}
BENCHMARK(BM_ReadCdPcm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadMulaw(benchmark::State& state) {
    static const std::string path =
        MakeFile("mulaw.wav", G711Format(kWaveFormatMulaw, 8000, 1), 60);
    ReadWhole(state, path);
}
BENCHMARK(BM_ReadMulaw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadImaAdpcm(benchmark::State& state) {
    static const std::string path = MakeFile("ima.wav", ImaAdpcmFormat(8000, 1), 60);
    ReadWhole(state, path);
}
BENCHMARK(BM_ReadImaAdpcm)->Unit(benchmark::kMillisecond)->UseRealTime();

// A minute of 44.1 kHz stereo to 8,000 Hz 16-bit mono: reader, channel, rate and peak stages
// and writer, as quillon-tool convert runs them; items are input frames.
void BM_ConvertToTelephone(benchmark::State& state) {
    static const std::string path = MakeFile("convert-in.wav", Pcm16Format(44100, 2), 60);
    const std::string out = Scratch().File("convert-out.wav");
    for (auto _ : state) {
        LSoundSinkPtr writer = CreateWaveWriter(out, 8000, 0, 16, 1);
        ConvertToWriter(OpenWaveFile(path), writer);
    }
    state.SetItemsProcessed(state.iterations() * 60 * 44100);
}
BENCHMARK(BM_ConvertToTelephone)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
