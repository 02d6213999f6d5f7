// Sample-rate converter (rational polyphase FIR).
#include "audio/dsp/LResampler.h"

#include <algorithm>
#include <limits>

#include "audio/dsp/SoundLevel.h"

namespace {

constexpr int kTaps = 63;
constexpr int kHalf = kTaps >> 1;
constexpr std::int32_t kBlockFrames = 8192;
constexpr std::int32_t kBufferFrames = kBlockFrames + kTaps;  // 8,255
// The fraction m / n is kept in 32 bits with room for one output frame's advance.
constexpr std::int32_t kLargestStep = 0xFFFFFF;

// Division rounding toward minus infinity, so that positions before the start stay consistent.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

LResampler::LResampler(const LSoundSourcePtr& upstream, std::int32_t rate)
    : LSoundFilter(upstream) {
    table = MakeResampleTable(sampleRate, rate < 1 ? kDefaultSampleRate : rate, kTaps);
    if (rate < 1) {
        rate = kDefaultSampleRate;
        flags |= kSoundInvalid;
    }
    sampleRate = rate;
    if (peakBound <= 0x100000) {
        peakBound *= 2;  // the filter's ripple can overshoot a full-scale step
    }
    // Only mono and stereo are converted. Other layouts, and ratios the table cannot represent,
    // leave the resampler invalid: it reads silence rather than handing out stale buffers.
    if (channels > 2 || table.step < 1 || table.step > kLargestStep) {
        flags |= kSoundInvalid;
    }
    if (IsInvalid()) {
        return;
    }
    buffer.assign(static_cast<std::size_t>(channels) * kBufferFrames, 0);
    if (channels > 1) {
        scratch.resize(static_cast<std::size_t>(channels) * kBlockFrames);
    }
    // The first output frame is centred on input frame 0: 31 frames of silence lead in.
    inputIndex = kBlockFrames;
    phase = 0;
    ReadInput(kBlockFrames + kHalf, kTaps - kHalf);
    shift = 0;
    Refill();
}

void LResampler::ReadInput(std::int32_t at, std::int32_t frames) {
    if (channels == 1) {
        upstream->Read(buffer.data() + at, frames);
        return;
    }
    upstream->Read(scratch.data(), frames);
    for (int c = 0; c < channels; ++c) {
        std::int32_t* out = buffer.data() + static_cast<std::ptrdiff_t>(c) * kBufferFrames + at;
        const std::int32_t* in = scratch.data() + c;
        for (std::int32_t f = 0; f < frames; ++f, in += channels) {
            out[f] = *in;
        }
    }
}

void LResampler::Refill() {
    for (int c = 0; c < channels; ++c) {
        std::int32_t* samples = buffer.data() + static_cast<std::ptrdiff_t>(c) * kBufferFrames;
        std::copy(samples + kBlockFrames, samples + kBufferFrames, samples);
        if (shift != 0) {
            for (int f = 0; f < kTaps; ++f) {
                samples[f] =
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(samples[f]) << shift);
            }
        }
    }
    ReadInput(kTaps, kBlockFrames);
    // Scale the block down until every sample fits 16 bits, so that each product with a
    // coefficient (at most 65,536) fits 32 bits.
    const std::int32_t peak = BlockPeak(buffer.data(), buffer.size());
    shift = 0;
    while ((peak >> shift) >= 32768) {
        ++shift;
    }
    if (shift > 0) {
        const std::int32_t half = (1 << shift) >> 1;
        for (std::int32_t& x : buffer) {
            x = static_cast<std::int32_t>((std::int64_t{x} + half) >> shift);
        }
    }
    outShift = 15 - shift;
    bias = outShift > 0 ? (1 << outShift) >> 1 : 0;
    inputIndex -= kBlockFrames;
}

void LResampler::Read(std::int32_t* out, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(out, frames);
        return;
    }
    const std::int32_t phases = table.phases;
    for (std::int32_t f = 0; f < frames; ++f) {
        inputIndex += phase / phases;
        phase %= phases;
        // A loop, not a single refill: a ratio above 8,192 skips whole blocks per frame.
        while (inputIndex >= kBlockFrames) {
            Refill();
        }
        const std::int32_t* row =
            table.coefficients.data() + static_cast<std::ptrdiff_t>(phase) * kTaps;
        for (int c = 0; c < channels; ++c) {
            const std::int32_t* x =
                buffer.data() + static_cast<std::ptrdiff_t>(c) * kBufferFrames + inputIndex;
            // Each product fits 32 bits; the sums are kept in 64 so that no input can wrap.
            std::int64_t low = 0;
            std::int64_t high = 0;
            for (int k = 0; k <= kHalf; ++k) {
                low += row[k] * x[k];
            }
            for (int k = kHalf + 1; k < kTaps; ++k) {
                high += row[k] * x[k];
            }
            const std::int64_t sum = (low >> 1) + (high >> 1);
            *out++ = Clamp32(outShift >= 0 ? (sum + bias) >> outShift : sum << -outShift);
        }
        phase += table.step;
    }
}

void LResampler::Seek(std::int32_t frame) {
    if (IsInvalid()) {
        return;
    }
    // Input position of the output frame as a whole frame and a phase (f * M / N).
    const std::int64_t scaled = std::int64_t{frame} * table.step;
    const std::int64_t input = FloorDiv(scaled, table.phases);
    upstream->Seek(Clamp32(input - kHalf));
    phase = static_cast<std::int32_t>(scaled - input * table.phases);
    inputIndex = kBlockFrames;
    ReadInput(kBlockFrames, kTaps);
    shift = 0;
    Refill();
}

std::int64_t LResampler::ToOutputFrames(std::int64_t inputFrames, std::int64_t fraction) const {
    return FloorDiv(inputFrames * table.phases + fraction, table.step);
}

std::int32_t LResampler::GetPosition() {
    if (IsInvalid()) {
        return upstream && table.step >= 1 ? Clamp32(ToOutputFrames(upstream->GetPosition(), 0))
                                           : 0;
    }
    // The upstream stands at the end of the buffer; the next output frame is centred on buffer
    // frame inputIndex + 31, which is input frame upstream - (8,255 - 31 - inputIndex), plus
    // the phase in N-ths of an input frame.
    const std::int64_t centre =
        std::int64_t{upstream->GetPosition()} - (kBufferFrames - kHalf - inputIndex);
    return Clamp32(ToOutputFrames(centre, phase));
}

std::int32_t LResampler::GetLength() {
    if (!upstream || table.step < 1) {
        return 0;
    }
    return Clamp32(ToOutputFrames(upstream->GetLength(), 0));
}

void LSampleRateProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (PassThrough(out, in)) {
        return;
    }
    if (in->sampleRate == rate) {
        out = in;
    } else {
        out = MakeCounted<LResampler>(in, rate);
    }
}
