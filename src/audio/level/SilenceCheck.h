// Whether a finished recording holds any sound: a line whose audio path has failed records
// nothing but its own faint noise, and a silent recording found weeks later is the worst
// failure a recorder can have, so each one is checked as soon as the call is over.
#pragma once

#include <cstdint>
#include <string>

enum class SilenceVerdict {
    Sound,       // enough of it reaches speech level
    NoSound,     // silent or nearly so throughout
    TooShort,    // too short to judge: a call dropped at once is no line fault
    Unreadable,  // not a WAV file that can be read
};

// The length of the blocks measured, in 1/1,000 s: a syllable spans several.
inline constexpr int kSilenceBlockMs = 20;
// A block holds sound from this level on the block level scale (0 dB there is an RMS of about
// 92,682 internal units, -15 dB below a full-scale square wave), which is -50 dB below full
// scale. An idle connected analogue line recorded through a voice modem measures about -60 to
// -70 dBFS and quiet telephone speech about -35 dBFS and louder: -50 dBFS lies 10 dB or more
// from both.
inline constexpr std::int8_t kSoundBlockLevel = -35;
// A recording holds no sound when fewer than this share (in percent) of its blocks reach the
// level: a few clicks or tones on a dead line do not make it sound.
inline constexpr int kSoundBlocksPercent = 5;
// Recordings shorter than this (in seconds) are not judged.
inline constexpr int kShortestCheckedSeconds = 5;

// The verdict on the WAV file `path`, all its channels measured together.
SilenceVerdict CheckSilence(const std::string& path);
