// Finds what was heard on a telephone line in its 8 kHz audio: which prompts played (by their
// sound, not by what was asked for) and the short tones of the recording beep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the recording tone is called among the sounds heard.
inline constexpr char kBeepSound[] = "beep";

struct HeardSound {
    std::int64_t frame = 0;  // where it starts in the audio
    std::string what;        // a prompt's name, or kBeepSound
};

// A prompt as it sounds, from the first frame that is not silence.
struct PromptSound {
    std::string name;
    std::vector<std::int16_t> samples;
};

// The prompt named `name` from `file` (any WAV the program reads), as 8 kHz mono; no samples
// when it cannot be read.
PromptSound LoadPromptSound(const std::string& name, const std::string& file);

// The sounds in `audio` (8 kHz mono): stretches of sound separated by at least 100 ms of
// silence; a stretch of at most 80 ms that is mostly 1 kHz is a beep; a longer one is the
// prompt whose start matches it (normalised correlation of at least 0.8), which then covers as
// much of the prompt as the audio follows, or is left out.
std::vector<HeardSound> ScanLineAudio(const std::vector<std::int16_t>& audio,
                                      const std::vector<PromptSound>& prompts);
