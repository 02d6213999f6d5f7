// Sink filter that recognises a line tone by its cadence (a tone repeating every 1.275 s to
// 2.5 s), as telephone exchanges play after the far end has hung up.
#pragma once

#include <array>
#include <cstdint>

#include "audio/dsp/LSoundSink.h"

// Bits of the flag byte that the detector's creator supplies.
inline constexpr std::uint8_t kCadenceFound = 0x01;     // set by the detector
inline constexpr std::uint8_t kCadenceReported = 0x10;  // set by the first poll that reports it

// Passes every buffer untouched to its downstream sink (if any), then follows the peaks of
// 25 ms blocks: when the newest block peaks match those one and two periods ago for some
// period of 51 to 100 blocks, and the last 1.5 s peaked at 16,385 or more, it sets
// kCadenceFound in the flag byte. The byte belongs to the creator and must outlive the
// detector; the detector never clears it.
class LToneCadenceDetector : public LSoundSinkFilter {
public:
    // `flag` may be null: the detector then only passes the audio on.
    LToneCadenceDetector(const LSoundSinkPtr& downstream, std::uint8_t* flag);

    void Write(const std::int32_t* buffer, std::int32_t frames) override;

    std::int32_t blockFrames;  // rate / 40, at least 20

private:
    void EndBlock();

    std::uint8_t* flag;
    std::array<std::int32_t, 240> peaks{};    // 6 s of block peaks, a ring
    std::array<std::int64_t, 50> mismatch{};  // decaying mismatch sums for periods 51..100
    std::int64_t levelSum = 0;                // decaying sum of block peaks (about 64 peaks)
    int historyIndex = 0;
    std::int32_t framesLeft;
    std::int64_t maximum = 0;
    std::int64_t minimum = 0;
};

// What the owner calls to learn of a detection: true once, the first time it sees
// kCadenceFound, after which it marks the byte kCadenceReported.
bool PollCadenceFlag(std::uint8_t& flag);
