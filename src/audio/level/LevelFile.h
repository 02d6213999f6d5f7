// Levelling one WAV file the way the background queue does: the result goes beside its target
// under a hidden name and replaces the target with one rename, only once it is complete.
#pragma once

#include <string>

#include "audio/level/LAutoLevelParams.h"
#include "base/LStopEvent.h"

// The arguments the queue gives the level processor: curve knees +2 and -6 dB with a slope of
// -0.5 between them, the tracker held between -2 and +6 dB, weighting corners 2,200 and 300 Hz.
inline constexpr LAutoLevelParams kLevelQueueParams{
    .curveUpperKnee = 2,
    .curveSlope = -0.5,
    .curveLowerKnee = -6,
    .negatedRiseLimit = -6,
    .negatedFallLimit = 2,
    .shelfCorner = 2200,
    .highPassCorner = 300,
};

enum class LevelResult {
    Levelled,  // the output is in place
    NotAudio,  // the input cannot be opened as a WAV file: nothing changed
    Failed,    // processing or writing failed: nothing changed
    Stopped,   // the stop event was set first: nothing changed
    Changed,   // the input was changed by someone else meanwhile: it stays as it is now
};

// Overall levels in dB on the block level scale (0 dB is an RMS of about 92,682 internal
// units; -127 is silence): the input after mixing to one channel, and the output.
struct LevelReadings {
    double input = -127;
    double output = -127;
};

// Levels `input`, mixed to one channel, into an 8,000 Hz 16-bit mono WAV file at `output`,
// which may be the input itself. The result is written beside `output` under a hidden unique
// name; once it is complete and on the disk it replaces `output` with one rename, after waiting
// (500 ms at a time on `stop`) until no reader or writer holds `output` open. On every other
// outcome `output` is left untouched and the hidden file is removed. A file levelled in place
// that was changed meanwhile is kept as it is. The replacement keeps the permissions of the
// file it replaces, and the input's recording info with its events moved to the new rate.
LevelResult LevelWaveFile(const std::string& input, const std::string& output,
                          const LStopEvent& stop, LevelReadings* readings = nullptr);
