// The output stage of the automatic level control.
#include "audio/level/LAutoLevelSource.h"

#include <algorithm>

#include "audio/dsp/SoundLevel.h"

namespace {

// Blocks pre-loaded into the tracker: its whole history and one more, so that the entry at its
// index is the block after the one being output.
constexpr int kPreload = LLevelTracker::kHistoryLength + 1;

// Multiplies sample i of `n` samples `stride` apart by the gain g + i * d. Written four at a
// time: the products do not depend on each other, and for contiguous (mono) samples the
// compiler computes them side by side.
inline void ApplyGainRamp(std::int32_t* x, std::size_t stride, std::int32_t n, std::int32_t g,
                          std::int32_t d) {
    std::int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        for (std::int32_t lane = 0; lane < 4; ++lane) {
            std::int32_t& sample = x[static_cast<std::size_t>(i + lane) * stride];
            sample = GainProduct(sample, g + (i + lane) * d);
        }
    }
    for (; i < n; ++i) {
        std::int32_t& sample = x[static_cast<std::size_t>(i) * stride];
        sample = GainProduct(sample, g + i * d);
    }
}

}  // namespace

LAutoLevelSource::LAutoLevelSource(const LAutoLevelParams& params, std::int32_t rate,
                                   std::uint8_t channels, std::uint32_t blockCount,
                                   std::int32_t blockFrames, std::span<const std::int8_t> reference,
                                   ScratchFile& samples, ScratchFile& levels)
    : tracker(ClampLevel(-params.negatedRiseLimit), ClampLevel(-params.negatedFallLimit)),
      curve(MakeGainCurve(params.curveLowerKnee, params.curveSlope, params.curveUpperKnee)),
      offset(channels),
      samples(samples),
      levels(levels),
      blockCount(blockCount),
      blocksLeft(blockCount),
      blockFrames(blockFrames),
      gain(channels),
      step(channels),
      record(channels),
      length(static_cast<std::int32_t>(blockCount) * blockFrames) {
    sampleRate = rate;
    this->channels = channels;
    peakBound = kDefaultPeakBound;
    for (std::size_t c = 0; c < channels && c < reference.size(); ++c) {
        offset[c] = static_cast<std::int8_t>(std::min(-reference[c], 127));
    }
    samples.Rewind();
    levels.Rewind();
    for (int i = 0; i < kPreload; ++i) {
        if (!PushNextRecord()) {
            tracker.Advance();
        }
    }
    for (std::size_t c = 0; c < channels; ++c) {
        gain[c] = AmplitudeGain(Target(c));
    }
}

bool LAutoLevelSource::PushNextRecord() {
    if (recordsRead >= blockCount || levels.Read(record.data(), record.size()) != record.size()) {
        return false;
    }
    ++recordsRead;
    for (std::size_t c = 0; c < record.size(); ++c) {
        record[c] = ClampLevel(record[c] + offset[c]);
    }
    // Stereo is tracked by its louder side.
    std::int8_t level = record.size() >= 2 ? std::max(record[0], record[1]) : record[0];
    tracker.Push(level);
    return true;
}

std::int8_t LAutoLevelSource::Target(std::size_t c) const {
    std::int8_t tracked = tracker.Tracked();
    return ClampLevel(ClampLevel(offset[c] - tracked) + CurveGain(curve, tracker.Next() - tracked));
}

void LAutoLevelSource::StartBlock() {
    for (std::size_t c = 0; c < gain.size(); ++c) {
        if (blocksLeft < 2) {
            // The last block fades to silence.
            step[c] = -gain[c] / blockFrames;
        } else {
            // Each block covers two thirds of the way to its target.
            step[c] = (AmplitudeGain(Target(c)) - gain[c]) / (blockFrames + blockFrames / 2);
        }
    }
    if (blocksLeft > 0) {
        --blocksLeft;
    }
    if (blocksLeft <= static_cast<std::uint32_t>(LLevelTracker::kHistoryLength) ||
        !PushNextRecord()) {
        tracker.Advance();
    }
    framesLeft = blockFrames;
}

void LAutoLevelSource::Read(std::int32_t* buffer, std::int32_t frames) {
    position += frames;
    if (frames <= 0) {
        return;
    }
    if (IsInvalid()) {
        FillSilence(buffer, frames);
        return;
    }
    const std::size_t count = static_cast<std::size_t>(frames) * channels;
    const std::size_t got =
        samples.Read(buffer, count * sizeof(std::int32_t)) / sizeof(std::int32_t);
    std::fill(buffer + got, buffer + count, 0);

    std::int32_t* out = buffer;
    for (std::int32_t done = 0; done < frames;) {
        if (framesLeft == 0) {
            StartBlock();
        }
        const std::int32_t n = std::min(framesLeft, frames - done);
        for (std::size_t c = 0; c < channels; ++c) {
            if (channels == 1) {
                ApplyGainRamp(out, 1, n, gain[c], step[c]);
            } else {
                ApplyGainRamp(out + c, channels, n, gain[c], step[c]);
            }
            gain[c] += n * step[c];
        }
        out += static_cast<std::size_t>(n) * channels;
        framesLeft -= n;
        done += n;
    }
}

void LAutoLevelSource::Seek(std::int32_t) {}
