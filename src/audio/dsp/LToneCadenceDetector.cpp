// Sink filter that recognises a line tone by its cadence.
#include "audio/dsp/LToneCadenceDetector.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

constexpr int kHistory = 240;
constexpr int kShortestPeriod = 51;
constexpr int kLongestPeriod = 100;
// Blocks whose peaks must reach kLoudPeak for a match to count: the last 1.5 s.
constexpr int kRecentBlocks = 61;
constexpr std::int32_t kLoudPeak = 16385;

}  // namespace

LToneCadenceDetector::LToneCadenceDetector(const LSoundSinkPtr& downstream, std::uint8_t* flag)
    : LSoundSinkFilter(downstream), flag(flag) {
    blockFrames = std::max(sampleRate / 40, 20);
    framesLeft = blockFrames;
}

void LToneCadenceDetector::Write(const std::int32_t* buffer, std::int32_t frames) {
    LSoundSinkFilter::Write(buffer, frames);
    // Every channel of a frame counts toward the block's peak.
    for (std::int32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const std::int32_t x = *buffer++;
            maximum = std::max<std::int64_t>(maximum, x);
            minimum = std::min<std::int64_t>(minimum, x);
        }
        if (--framesLeft == 0) {
            EndBlock();
            framesLeft = blockFrames;
        }
    }
}

void LToneCadenceDetector::EndBlock() {
    const std::int64_t peak = std::max(maximum, -minimum);
    peaks[historyIndex] = static_cast<std::int32_t>(
        std::min<std::int64_t>(peak, std::numeric_limits<std::int32_t>::max()));
    maximum = minimum = 0;

    levelSum += peak - (levelSum >> 6);
    const std::int64_t threshold = levelSum >> 3;
    bool periodic = false;
    for (int lag = kShortestPeriod; lag <= kLongestPeriod; ++lag) {
        const std::int64_t a = peaks[(historyIndex - lag + kHistory) % kHistory];
        const std::int64_t b = peaks[(historyIndex - 2 * lag + 2 * kHistory) % kHistory];
        std::int64_t& d = mismatch[lag - kShortestPeriod];
        d += std::abs(peak - a) + (std::abs(peak - b) >> 1) - (d >> 6);
        periodic = periodic || d < threshold;
    }
    if (periodic && flag != nullptr) {
        std::int32_t loudest = 0;
        for (int i = 0; i < kRecentBlocks; ++i) {
            loudest = std::max(loudest, peaks[(historyIndex - i + kHistory) % kHistory]);
        }
        if (loudest >= kLoudPeak) {
            *flag |= kCadenceFound;
        }
    }
    historyIndex = (historyIndex + 1) % kHistory;
}

bool PollCadenceFlag(std::uint8_t& flag) {
    if ((flag & kCadenceFound) == 0 || (flag & kCadenceReported) != 0) {
        return false;
    }
    flag |= kCadenceReported;
    return true;
}
