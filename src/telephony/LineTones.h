// Tones on a telephone line's timeline: DTMF digits, beeps, the exchange's tones and the fax
// calling tone, as the simulated line renders them into the audio it carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "audio/dsp/TelephoneFormat.h"

// Positions are line frames (kLineRate a second) counted from the start of the line's clock.
// Line frame at clock time `nanoseconds`.
inline std::int64_t LineFrameAt(std::int64_t nanoseconds) {
    return nanoseconds / (1'000'000'000 / kLineRate);
}

// A tone of one or two frequencies that sounds for `onFrames` of every `periodFrames` (0: without
// a break) from line frame `start` up to, not including, `end`.
struct LineTone {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int32_t onFrames = 0;
    std::int32_t periodFrames = 0;
    double frequency1 = 0.0;
    double frequency2 = 0.0;     // 0: a single frequency
    std::int32_t amplitude = 0;  // 16-bit peak of each frequency

    // Adds the tone to `mix` (16-bit values) over line frames [from, from + count).
    void MixInto(std::int32_t* mix, std::int64_t from, std::int32_t count) const;
};

// The DTMF tone of `digit` (0-9, *, #, A-D), or nothing for another character.
std::optional<LineTone> DtmfTone(char digit, std::int64_t start, std::int32_t frames);
// Generated digits: each `frames` long with as long a pause after it, from line frame `start`;
// nothing when a character is not a DTMF key.
std::optional<std::vector<LineTone>> DtmfSequence(std::string_view digits, std::int64_t start,
                                                  std::int32_t frames);
// Generated digits and tones last this long unless the program says otherwise.
inline constexpr std::uint32_t kDefaultGeneratedMs = 100;
// How long a generated digit or tone lasts: `duration` ms, 0 meaning the default.
inline std::uint32_t GeneratedMs(std::uint32_t duration) {
    return duration != 0 ? duration : kDefaultGeneratedMs;
}
inline std::int32_t MsToLineFrames(std::uint32_t ms) {
    return static_cast<std::int32_t>(kLineRate * static_cast<std::int64_t>(ms) / 1000);
}

// The short tone of a beep.
LineTone BeepTone(std::int64_t start, std::int32_t frames);
// The busy tone and the tone the exchange plays once the far end has hung up: each repeats
// until `end`.
LineTone BusyTone(std::int64_t start, std::int64_t end);
LineTone DisconnectTone(std::int64_t start, std::int64_t end);
// The fax calling tone (CNG): 1,100 Hz, 0.5 s in every 3.5 s.
LineTone FaxCallingTone(std::int64_t start, std::int64_t end);
