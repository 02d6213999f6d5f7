// Level arithmetic shared by all audio code: the 8.24 gain product, the dB gain tables, block
// level and peak, and audio times (1/10,000 s) as frames.
#pragma once

#include <cstddef>
#include <cstdint>

// Unity in the unsigned 8.24 fixed point of gains.
inline constexpr std::int32_t kUnityGain = 0x1000000;
// Largest gain the tables hold.
inline constexpr std::int32_t kMaxGain = 0x7FFFFFFF;
// The level of silence in dB; also "off".
inline constexpr std::int8_t kSilentLevel = -127;
// Mean square of a 0 dB block (an RMS of about 92,682).
inline constexpr std::uint64_t kZeroDBMeanSquare = 8388626;

// x * g with g in 8.24, split into three 12-bit partial products so that it fits 32-bit
// arithmetic; the low * low part is dropped. Every gain stage uses this exact product.
inline std::int32_t GainProduct(std::int32_t x, std::int32_t g) {
    const std::int32_t xHigh = x >> 12;
    const std::int32_t gHigh = g >> 12;
    // The result is x * g / 2^24 modulo 2^32, as 32-bit arithmetic gives it: the high product
    // and the sum are unsigned so that their wrap is defined; the middle products always fit.
    const std::uint32_t high =
        static_cast<std::uint32_t>(xHigh) * static_cast<std::uint32_t>(gHigh);
    const std::int32_t middle1 = ((x & 0xFFF) * gHigh) >> 12;
    const std::int32_t middle2 = (xHigh * (g & 0xFFF)) >> 12;
    return static_cast<std::int32_t>(high + static_cast<std::uint32_t>(middle1) +
                                     static_cast<std::uint32_t>(middle2));
}

// Amplitude gain of a level in dB, 10^(db/20) in 8.24: 0 dB is unity, -127 and -128 are 0,
// large gains are clamped to 0x7FFFFFFF.
std::int32_t AmplitudeGain(int db);
// Power ratio of a level in dB, 10^(db/10) in 8.24, with the same ends.
std::int32_t PowerGain(int db);

// Level in dB (-127..127) of `count` interleaved samples (frames * channels) from their mean
// square; -127 for silence or an empty block.
std::int8_t BlockLevel(const std::int32_t* samples, std::size_t count);
// Largest magnitude among `count` samples (0 for none); -2^31 counts as 2^31 - 1.
std::int32_t BlockPeak(const std::int32_t* samples, std::size_t count);

// An audio time in 1/10,000 s as frames at `rate`, rounded toward zero; clamped to 32 bits.
std::int32_t TimeToFrames(std::int32_t time, std::int32_t rate);
// Frames at `rate` as an audio time in 1/10,000 s, rounded toward zero; 0 when the rate is 0 or
// less; clamped to 32 bits.
std::int32_t FramesToTime(std::int32_t frames, std::int32_t rate);
