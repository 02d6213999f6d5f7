// Tones on a telephone line's timeline.
#include "telephony/LineTones.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr std::int32_t kToneAmplitude = 8000;  // about -12 dB of 16-bit full scale

LineTone Cadence(std::int64_t start, std::int64_t end, std::int32_t onMs, std::int32_t periodMs,
                 double frequency1, double frequency2) {
    return LineTone{start,      end,        onMs * kLineRate / 1000, periodMs * kLineRate / 1000,
                    frequency1, frequency2, kToneAmplitude};
}

}  // namespace

void LineTone::MixInto(std::int32_t* mix, std::int64_t from, std::int32_t count) const {
    std::int64_t first = std::max(from, start);
    std::int64_t last = std::min(from + count, end);
    const double step1 = 2.0 * std::numbers::pi * frequency1 / kLineRate;
    const double step2 = 2.0 * std::numbers::pi * frequency2 / kLineRate;
    for (std::int64_t frame = first; frame < last; ++frame) {
        std::int64_t offset = frame - start;
        if (periodFrames > 0 && offset % periodFrames >= onFrames) {
            continue;
        }
        double value = std::sin(step1 * static_cast<double>(offset));
        if (frequency2 > 0.0) {
            value += std::sin(step2 * static_cast<double>(offset));
        }
        mix[frame - from] += static_cast<std::int32_t>(std::lround(value * amplitude));
    }
}

std::optional<LineTone> DtmfTone(char digit, std::int64_t start, std::int32_t frames) {
    static constexpr char kKeys[] = "123A456B789C*0#D";
    static constexpr double kRows[] = {697.0, 770.0, 852.0, 941.0};
    static constexpr double kColumns[] = {1209.0, 1336.0, 1477.0, 1633.0};
    const char* key = digit == '\0' ? nullptr : std::char_traits<char>::find(kKeys, 16, digit);
    if (key == nullptr) {
        return std::nullopt;
    }
    auto index = key - kKeys;
    return LineTone{start,
                    start + frames,
                    frames,
                    0,
                    kRows[index / 4],
                    kColumns[index % 4],
                    kToneAmplitude / 2};
}

LineTone BeepTone(std::int64_t start, std::int32_t frames) {
    return LineTone{start, start + frames, frames, 0, 1000.0, 0.0, kToneAmplitude};
}

LineTone BusyTone(std::int64_t start, std::int64_t end) {
    return Cadence(start, end, 500, 1000, 480.0, 620.0);
}

LineTone DisconnectTone(std::int64_t start, std::int64_t end) {
    return Cadence(start, end, 750, 1500, 425.0, 0.0);
}

LineTone FaxCallingTone(std::int64_t start, std::int64_t end) {
    return Cadence(start, end, 500, 3500, 1100.0, 0.0);
}

std::optional<std::vector<LineTone>> DtmfSequence(std::string_view digits, std::int64_t start,
                                                  std::int32_t frames) {
    std::vector<LineTone> tones;
    for (char digit : digits) {
        std::optional<LineTone> tone = DtmfTone(digit, start, frames);
        if (!tone) {
            return std::nullopt;
        }
        tones.push_back(*tone);
        start += 2 * static_cast<std::int64_t>(frames);  // the tone, then as long a pause
    }
    return tones;
}
