// Text forms of audio times (1/10,000 s counts) and of levels in dB.
#include "settings/TimeText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

std::string FormatTime(std::int32_t time, bool tenths) {
    // 64 bits so that the magnitude of the most negative time and the rounding cannot overflow.
    long long m = std::llabs(static_cast<long long>(time));
    if (tenths) {
        m += 500;
    }
    long long hours = m / 36000000;
    long long minutes = (m / 600000) % 60;
    long long seconds = (m / 10000) % 60;
    char text[48];
    if (tenths) {
        std::snprintf(text, sizeof text, "%c%lld:%.2lld:%.2lld.%.1lld", time < 0 ? '-' : ' ', hours,
                      minutes, seconds, (m % 10000) / 1000);
    } else {
        std::snprintf(text, sizeof text, "%c%lld:%.2lld:%.2lld.%.4lld", time < 0 ? '-' : ' ', hours,
                      minutes, seconds, m % 10000);
    }
    return text;
}

}  // namespace

std::string FormatTime4(std::int32_t time) {
    return FormatTime(time, false);
}

std::string FormatTime1(std::int32_t time) {
    return FormatTime(time, true);
}

std::string FormatClock(std::int64_t time, bool hundredths) {
    // Unsigned, so that the magnitude of the most negative time cannot overflow.
    const auto m = static_cast<unsigned long long>(time < 0 ? 0 - static_cast<std::uint64_t>(time)
                                                            : static_cast<std::uint64_t>(time));
    const unsigned long long seconds = m / kTimeUnitsPerSecond;
    const char* sign = time < 0 ? "-" : "";
    char text[48];
    int length = seconds >= 3600 ? std::snprintf(text, sizeof text, "%s%llu:%.2llu:%.2llu", sign,
                                                 seconds / 3600, seconds / 60 % 60, seconds % 60)
                                 : std::snprintf(text, sizeof text, "%s%llu:%.2llu", sign,
                                                 seconds / 60, seconds % 60);
    if (hundredths) {
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ".%.2llu",
                      m % kTimeUnitsPerSecond / 100);
    }
    return text;
}

std::int32_t ParseTime(std::string_view text) {
    // Held well inside 64 bits while typing goes on; clamped to 32 bits at the end.
    constexpr long long kCap = 1LL << 40;
    long long r = 0;
    long long f = 0;
    long long w = 10000;
    bool negative = false;
    for (char c : text) {
        if (c == '-') {
            negative = true;
        } else if (c == ':') {
            r = std::min(r * 60, kCap);
            f = 0;
        } else if (c == '.') {
            if (w == 10000) {
                w = 1000;
            }
        } else if (c >= '0' && c <= '9') {
            long long d = c - '0';
            if (w < 10000) {
                r += d * w;
                w /= 10;
            } else {
                r = std::min(r + 9 * f + d * 10000, kCap);
                f = std::min(10 * f + d * 10000, kCap);
            }
        }
    }
    if (negative) {
        r = -r;
    }
    return static_cast<std::int32_t>(std::clamp<long long>(r, INT32_MIN, INT32_MAX));
}

std::int8_t ParseDecibels(std::string_view text) {
    int v = 0;
    bool negative = false;
    for (char c : text) {
        if (c == '-') {
            if (negative) {
                v = 127;
            }
            negative = true;
        } else if (c >= '0' && c <= '9') {
            // Anything past 1,000 clamps the same way; stop growing there.
            v = std::min(10 * v + (c - '0'), 1000);
        }
    }
    return static_cast<std::int8_t>(std::clamp(negative ? -v : v, -127, 127));
}
