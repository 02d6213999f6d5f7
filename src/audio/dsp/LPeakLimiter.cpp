// Look-ahead peak limiter.
#include "audio/dsp/LPeakLimiter.h"

#include <algorithm>
#include <utility>

#include "audio/dsp/SoundLevel.h"

namespace {

// The block gain works on limit << 9 in 32 bits, so the limit stays below 2^22.
constexpr std::int32_t kLargestLimit = 0x3FFFFF;

}  // namespace

LPeakLimiter::LPeakLimiter(const LSoundSourcePtr& upstream, std::int32_t limit)
    : LSoundFilter(upstream) {
    // The limit is kept in `peakBound`. A larger limit cannot be honoured, and taking the
    // largest one instead would let a loud source through far above what was asked.
    peakBound = std::clamp(limit, 0, kLargestLimit);
    blockLength = std::clamp(sampleRate / 35, 20, 8192);
    if (IsInvalid()) {
        return;
    }
    for (std::vector<std::int32_t>& block : blocks) {
        block.resize(static_cast<std::size_t>(blockLength) * channels);
    }
    Prime();
}

std::int32_t LPeakLimiter::BlockGain(const std::vector<std::int32_t>& block) const {
    const std::int64_t peak = BlockPeak(block.data(), block.size());
    if (peak <= peakBound) {
        return kUnityGain;
    }
    // About limit / peak in 8.24, rounded down so that limit is not exceeded.
    return static_cast<std::int32_t>(((std::int64_t{peakBound} << 9) / ((peak + 64) >> 6)) << 9);
}

void LPeakLimiter::ReadBlock(std::vector<std::int32_t>& block, std::int32_t& gain) {
    upstream->Read(block.data(), blockLength);
    gain = BlockGain(block);
}

void LPeakLimiter::Ramp() {
    // Toward the lower of this and the next block's gain, or lower still when the average of
    // the four blocks around asks for it; any remainder of the division is taken at once.
    const std::int64_t average =
        (std::int64_t{previousGain} + currentGain + nextGain + afterNextGain) >> 2;
    const std::int64_t d =
        std::min<std::int64_t>(std::min(currentGain, nextGain), average) - gainNow;
    gainStep = static_cast<std::int32_t>(d / blockLength);
    gainNow += static_cast<std::int32_t>(d % blockLength);
}

void LPeakLimiter::Prime() {
    ReadBlock(blocks[0], currentGain);
    ReadBlock(blocks[1], nextGain);
    ReadBlock(blocks[2], afterNextGain);
    previousGain = currentGain;
    gainNow = currentGain;
    Ramp();
    readIndex = 0;
}

void LPeakLimiter::Read(std::int32_t* buffer, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(buffer, frames);
        return;
    }
    const int stride = channels;
    while (frames > 0) {
        const std::int32_t n = std::min(frames, blockLength - readIndex);
        const std::int32_t* in = blocks[0].data() + static_cast<std::ptrdiff_t>(readIndex) * stride;
        if (gainNow >= kUnityGain && gainStep == 0) {
            buffer = std::copy_n(in, static_cast<std::ptrdiff_t>(n) * stride, buffer);
        } else {
            for (std::int32_t f = 0; f < n; ++f) {
                for (int c = 0; c < stride; ++c) {
                    *buffer++ = GainProduct(*in++, gainNow);
                }
                gainNow += gainStep;
            }
        }
        readIndex += n;
        frames -= n;
        if (readIndex == blockLength) {
            std::swap(blocks[0], blocks[1]);
            std::swap(blocks[1], blocks[2]);
            previousGain = currentGain;
            currentGain = nextGain;
            nextGain = afterNextGain;
            ReadBlock(blocks[2], afterNextGain);
            Ramp();
            readIndex = 0;
        }
    }
}

void LPeakLimiter::Seek(std::int32_t frame) {
    if (IsInvalid()) {
        return;
    }
    upstream->Seek(frame);
    Prime();
}

std::int32_t LPeakLimiter::GetPosition() {
    if (IsInvalid()) {
        return LSoundFilter::GetPosition();
    }
    return upstream->GetPosition() - (3 * blockLength - readIndex);
}

void LPeakLimiterProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (PassThrough(out, in)) {
        return;
    }
    if (in->peakBound <= limit) {
        out = in;
    } else {
        out = MakeCounted<LPeakLimiter>(in, limit);
    }
}
