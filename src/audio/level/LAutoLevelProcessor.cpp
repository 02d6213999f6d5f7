// Automatic level control: analysis into scratch files, then the levelled output.
#include "audio/level/LAutoLevelProcessor.h"

#include <algorithm>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LPeakLimiter.h"
#include "audio/dsp/LResampler.h"
#include "audio/dsp/SoundLevel.h"
#include "audio/level/LAutoLevelSource.h"

namespace {

constexpr std::int32_t kMinBlockFrames = 20;
constexpr std::int32_t kMaxBlockFrames = 8192;

bool Usable(const LSoundSourcePtr& source) {
    return source && !source->IsInvalid();
}

// The signed (arithmetic) shift of a 32-bit state held as unsigned.
std::uint32_t ArithmeticShift8(std::uint32_t state) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(state) >> 8);
}

}  // namespace

LAutoLevelProcessor::LAutoLevelProcessor(const LSoundSourcePtr& input, const LSoundSinkPtr& output,
                                         const LAutoLevelParams& params)
    : params(params), source(input), sink(output) {
    if (!Usable(source) || !sink || sink->IsInvalid()) {
        return;
    }
    if (source->channels > sink->channels) {
        LChannelsProcess(sink->channels).Create(source, source);
    }
    if (Usable(source) && source->sampleRate > sink->sampleRate) {
        LSampleRateProcess(sink->sampleRate).Create(source, source);
    }
    // Channel layouts the channels process cannot convert would be written garbled.
    if (!Usable(source) || source->channels > sink->channels) {
        return;
    }
    blockFrames = std::clamp(source->sampleRate / 50, kMinBlockFrames, kMaxBlockFrames);
    samplesFile.emplace("lca");
    levelsFile.emplace("lcp");
    if (!samplesFile->IsOpen() || !levelsFile->IsOpen()) {
        return;
    }
    lowCoefficient = WeightingCoefficient(params.highPassCorner, source->sampleRate);
    highCoefficient = WeightingCoefficient(params.shelfCorner, source->sampleRate);
    block.assign(static_cast<std::size_t>(blockFrames) * std::max(source->channels, sink->channels),
                 0);
    channelSamples.assign(static_cast<std::size_t>(blockFrames), 0);
    analysis.assign(source->channels, ChannelAnalysis{});
    record.assign(source->channels, 0);
    state = LAutoLevelState::Analysing;
}

LAutoLevelProcessor::~LAutoLevelProcessor() {
    source.Release();
    sink.Release();
}

bool LAutoLevelProcessor::Step() {
    if (state == LAutoLevelState::NotReady) {
        return false;
    }
    source->Read(block.data(), blockFrames);
    if (state == LAutoLevelState::Writing) {
        sink->Write(block.data(), blockFrames);
        return source->GetPosition() < source->GetLength();
    }
    AnalyseBlock();
    if (source->GetPosition() >= source->GetLength()) {
        EndAnalysis();
    }
    return state != LAutoLevelState::NotReady;
}

void LAutoLevelProcessor::AnalyseBlock() {
    const std::size_t channels = analysis.size();
    const std::size_t frames = static_cast<std::size_t>(blockFrames);
    samplesFile->Write(block.data(), frames * channels * sizeof(std::int32_t));
    const auto low = static_cast<std::uint32_t>(lowCoefficient);
    const auto high = static_cast<std::uint32_t>(highCoefficient);
    for (std::size_t c = 0; c < channels; ++c) {
        ChannelAnalysis& channel = analysis[c];
        // The filter's state is defined modulo 2^32: unsigned arithmetic gives that wrap.
        auto s1 = static_cast<std::uint32_t>(channel.lowState);
        auto s2 = static_cast<std::uint32_t>(channel.highState);
        for (std::size_t i = 0; i < frames; ++i) {
            // A high-pass at the low corner followed by a +6 dB shelf above the high corner:
            // x1 = x - (s1 >> 8); s1 += x1 * low; e = x1 - (s2 >> 8); y = x1 + e;
            // s2 += e * high. The state updates are spelled out so that only one product
            // depends on the state itself: the filter runs at the speed of that chain.
            const auto x = static_cast<std::uint32_t>(block[i * channels + c]);
            const std::uint32_t t1 = ArithmeticShift8(s1);
            const std::uint32_t x1 = x - t1;
            s1 = s1 + x * low - t1 * low;
            const std::uint32_t t2 = ArithmeticShift8(s2);
            const std::uint32_t e = x1 - t2;
            channelSamples[i] = static_cast<std::int32_t>(x1 + e);
            s2 = s2 + x1 * high - t2 * high;
        }
        channel.lowState = static_cast<std::int32_t>(s1);
        channel.highState = static_cast<std::int32_t>(s2);
        const std::int8_t level = BlockLevel(channelSamples.data(), frames);
        record[c] = level;
        ++channel.histogram[LevelIndex(level)];
    }
    levelsFile->Write(record.data(), record.size());
    ++blockCount;
}

void LAutoLevelProcessor::EndAnalysis() {
    references.clear();
    for (const ChannelAnalysis& channel : analysis) {
        references.push_back(ReferenceLevel(channel.histogram));
    }
    LSoundSourcePtr head =
        MakeCounted<LAutoLevelSource>(params, source->sampleRate, source->channels, blockCount,
                                      blockFrames, references, *samplesFile, *levelsFile);
    source.Release();
    if (head && head->sampleRate != sink->sampleRate) {
        LSampleRateProcess(sink->sampleRate).Create(head, head);
    }
    if (head && head->channels != sink->channels) {
        LChannelsProcess(sink->channels).Create(head, head);
    }
    if (head && sink->peakBound < head->peakBound) {
        LPeakLimiterProcess(sink->peakBound).Create(head, head);
    }
    source = head;
    if (!Usable(source) || source->channels != sink->channels) {
        state = LAutoLevelState::NotReady;
        return;
    }
    state = LAutoLevelState::Writing;
}
