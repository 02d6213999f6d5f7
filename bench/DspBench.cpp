// Audio processing throughput: the telephone-rate resampler and the telephone play chain, in
// frames per second of output (items_per_second).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "audio/dsp/LResampler.h"
#include "audio/dsp/LSoundSource.h"
#include "audio/dsp/PlayChain.h"

namespace {

// Endless mono speech-like audio from a prepared loop, so that the source costs next to nothing.
class LoopSource : public LSoundSource {
public:
    explicit LoopSource(std::int32_t rate) : loop(rate) {
        sampleRate = rate;
        peakBound = 524288;
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 3 * t);
            loop[i] = static_cast<std::int32_t>(400000 * envelope *
                                                (0.6 * std::sin(2 * std::numbers::pi * 220 * t) +
                                                 0.3 * std::sin(2 * std::numbers::pi * 1330 * t) +
                                                 0.1 * std::sin(2 * std::numbers::pi * 3100 * t)));
        }
    }
    void Read(std::int32_t* buffer, std::int32_t frames) override {
        while (frames > 0) {
            const auto n =
                static_cast<std::int32_t>(std::min<std::size_t>(frames, loop.size() - at));
            buffer = std::copy_n(loop.begin() + static_cast<std::ptrdiff_t>(at), n, buffer);
            at = (at + n) % loop.size();
            position += n;
            frames -= n;
        }
    }
    void Seek(std::int32_t frame) override { position = frame; }
    std::int32_t GetPosition() override { return position; }
    std::int32_t GetLength() override { return 0x7FFFFFFF; }

private:
    std::vector<std::int32_t> loop;
    std::size_t at = 0;
    std::int32_t position = 0;
};

constexpr std::int32_t kBlock = 8192;

void ReadThrough(benchmark::State& state, LSoundSourcePtr head) {
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kBlock) * head->channels);
    for (auto _ : state) {
        head->Read(buffer.data(), kBlock);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_Resample44100To8000Mono(benchmark::State& state) {
    ReadThrough(state, MakeCounted<LResampler>(MakeCounted<LoopSource>(44100), 8000));
}
BENCHMARK(BM_Resample44100To8000Mono);

void BM_PlayChain8000Mono(benchmark::State& state) {
    // High-pass 300 Hz, compressor at -12 dB, +4 dB: every stage switched on.
    ReadThrough(state, BuildPlayChain(MakeCounted<LoopSource>(8000), 300, -12, 4));
}
BENCHMARK(BM_PlayChain8000Mono);

}  // namespace
