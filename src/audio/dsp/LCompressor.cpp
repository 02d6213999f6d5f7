// Block compressor of the telephone play process.
#include "audio/dsp/LCompressor.h"

#include <algorithm>
#include <cmath>

#include "audio/dsp/SoundLevel.h"

namespace {

// Levels from here up are cut further, by about 1 dB per dB.
constexpr int kCeiling = 127;

std::int32_t TableGain(double g) {
    return static_cast<std::int32_t>(std::clamp(g, 0.0, static_cast<double>(kMaxGain)));
}

}  // namespace

LCompressor::LCompressor(const LSoundSourcePtr& upstream, std::int8_t threshold, double slope,
                         std::int32_t blockTime)
    : LSoundFilter(upstream) {
    double g = kUnityGain;
    if (threshold < 0) {
        g = kUnityGain / std::pow(slope, -threshold);
    }
    for (int level = -128; level <= 127; ++level) {
        gainTable[level + 128] = TableGain(g);
        if (level >= kCeiling) {
            g *= 0.8913;
        } else if (level >= threshold) {
            g *= slope;
        }
    }
    peakBound = 0x3FFFFF;
    blockFrames = std::clamp(TimeToFrames(blockTime, sampleRate), 128, 8192);
    if (IsInvalid()) {
        return;
    }
    currentBlock.resize(static_cast<std::size_t>(blockFrames) * channels);
    nextBlock.resize(currentBlock.size());
    Prime();
}

std::int32_t LCompressor::ReadBlock(std::vector<std::int32_t>& block) {
    upstream->Read(block.data(), blockFrames);
    return gainTable[BlockLevel(block.data(), block.size()) + 128];
}

void LCompressor::SetStep(std::int32_t currentGain, std::int32_t comingGain) {
    if (comingGain < gainNow) {
        // Down to a louder block's gain within a quarter block of its start.
        gainStep = (comingGain - gainNow) / (blockFrames + blockFrames / 4);
    } else {
        // Up slowly, halfway toward the two blocks' average by the end of this one.
        const auto average =
            static_cast<std::int32_t>((static_cast<std::int64_t>(comingGain) + currentGain) >> 1);
        gainStep = (average - gainNow) / (2 * blockFrames);
    }
}

void LCompressor::Prime() {
    currentBlockGain = gainNow = ReadBlock(currentBlock);
    nextBlockGain = ReadBlock(nextBlock);
    SetStep(currentBlockGain, nextBlockGain);
    readIndex = 0;
}

void LCompressor::Read(std::int32_t* buffer, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(buffer, frames);
        return;
    }
    const int stride = channels;
    while (frames > 0) {
        const std::int32_t n = std::min(frames, blockFrames - readIndex);
        const std::int32_t* in =
            currentBlock.data() + static_cast<std::ptrdiff_t>(readIndex) * stride;
        for (std::int32_t f = 0; f < n; ++f) {
            for (int c = 0; c < stride; ++c) {
                *buffer++ = GainProduct(*in++, gainNow);
            }
            gainNow += gainStep;
        }
        readIndex += n;
        frames -= n;
        if (readIndex == blockFrames) {
            std::swap(currentBlock, nextBlock);
            currentBlockGain = nextBlockGain;
            nextBlockGain = ReadBlock(nextBlock);
            SetStep(currentBlockGain, nextBlockGain);
            readIndex = 0;
        }
    }
}

void LCompressor::Seek(std::int32_t frame) {
    if (IsInvalid()) {
        return;
    }
    upstream->Seek(frame);
    Prime();
}

std::int32_t LCompressor::GetPosition() {
    if (IsInvalid()) {
        return LSoundFilter::GetPosition();
    }
    return upstream->GetPosition() - (2 * blockFrames - readIndex);
}

void LCompressorProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (!PassThrough(out, in)) {
        out = MakeCounted<LCompressor>(in, threshold, slope, blockTime);
    }
}
