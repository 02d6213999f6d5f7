// Text forms of audio times (1/10,000 s counts) and of levels in dB.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Ticks per second of audio times, positions and durations.
inline constexpr std::int32_t kTimeUnitsPerSecond = 10000;

// Lowest level in dB; it means silence, or off.
inline constexpr std::int8_t kSilentDB = -127;

// A sign character (space or '-'), then hours:mm:ss.ffff, e.g. " 1:02:03.5000".
std::string FormatTime4(std::int32_t time);

// As FormatTime4 with one decimal, rounded to the nearest tenth, e.g. " 0:00:04.0".
std::string FormatTime1(std::int32_t time);

// A span as a clock shows it, without leading zero fields and cut to the hundredth (with
// `hundredths`) or the second: "2:05", "1:02:03", "0:12.40", "-0:03.25". 64 bits, since
// frame counts of long recordings exceed 32-bit times.
std::string FormatClock(std::int64_t time, bool hundredths);

// Reads any text as a time: ':' starts a new field, '.' the fraction, '-' anywhere negates,
// other characters are ignored. Results beyond 32 bits are clamped.
std::int32_t ParseTime(std::string_view text);

// Reads a level: digits give the magnitude, '-' negates, a second '-' means silence; the result
// is clamped to -127..127.
std::int8_t ParseDecibels(std::string_view text);
