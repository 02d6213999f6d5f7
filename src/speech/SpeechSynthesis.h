// Speaking a text into a WAV file with one of the speech engines, polling a progress bar meanwhile.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

enum class SpeechResult { Done, Cancelled, NoEngine, Failed };

// The bar while a text is spoken: it starts at 0, and each step keeps the share
// factor = 1 - 10 / (length + 1) of what is left to full, so that it moves slower for a longer
// text. A text shorter than 9 characters gets the factor 0 (the bar full at the second step)
// rather than a negative one that would swing it back and forth.
class SpeechProgress {
public:
    // `length` of the text in characters.
    explicit SpeechProgress(std::size_t length);

    // The part of the bar to show at this step.
    double Step();

    const double factor;

private:
    double remaining = 1.0;
};

// The speech between two progress steps.
inline constexpr int kSpeechStepMilliseconds = 50;

// Shows `shown` (0 to 1) and tells whether to go on: false cancels.
using SpeechProgressPoll = std::function<bool(double shown)>;

// Speaks `text` (UTF-8) with voice `engineIndex` of CurrentSpeechEngine() into `outputFile`, a
// 16-bit mono WAV file at the engine's rate; an index beyond the last voice takes the last, one
// below 0 the first. `progress`, when given, takes a step before the speaking starts and after
// every kSpeechStepMilliseconds of speech. Done once the engine has reported the end of the
// text; NoEngine when it has no voice; Failed when the file could not be written or the engine
// refused the voice or the text or stopped short. Unless Done, no file is left behind.
SpeechResult SynthesizeSpeech(const std::string& text, int engineIndex,
                              const std::string& outputFile,
                              const SpeechProgressPoll& progress = {});
