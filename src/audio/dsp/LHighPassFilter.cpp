// One-pole high-pass filter of the telephone play process.
#include "audio/dsp/LHighPassFilter.h"

#include <algorithm>
#include <cmath>

LHighPassFilter::LHighPassFilter(const LSoundSourcePtr& upstream, std::int32_t cutoff)
    : LSoundFilter(upstream), channelState(channels, 0) {
    coefficient =
        static_cast<std::int32_t>((1.0 - std::exp(-6.283185307 * cutoff / sampleRate)) * 256);
    // A step in the input can overshoot by up to the step itself.
    if (peakBound <= 0x100000) {
        peakBound *= 2;
    }
}

void LHighPassFilter::Read(std::int32_t* buffer, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(buffer, frames);
        return;
    }
    ReadUpstream(buffer, frames);
    const int stride = channels;
    for (int c = 0; c < stride; ++c) {
        // 32-bit arithmetic that wraps rather than overflows on extreme input.
        std::uint32_t s = static_cast<std::uint32_t>(channelState[c]);
        std::int32_t* x = buffer + c;
        for (std::int32_t f = 0; f < frames; ++f, x += stride) {
            const std::uint32_t y = static_cast<std::uint32_t>(*x) -
                                    static_cast<std::uint32_t>(static_cast<std::int32_t>(s) >> 8);
            *x = static_cast<std::int32_t>(y);
            s += y * static_cast<std::uint32_t>(coefficient);
        }
        channelState[c] = static_cast<std::int32_t>(s);
    }
}

void LHighPassFilter::Seek(std::int32_t frame) {
    if (IsInvalid()) {
        return;
    }
    LSoundFilter::Seek(frame);
    std::fill(channelState.begin(), channelState.end(), 0);
}

void LHighPassProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (!PassThrough(out, in)) {
        out = MakeCounted<LHighPassFilter>(in, cutoff);
    }
}
