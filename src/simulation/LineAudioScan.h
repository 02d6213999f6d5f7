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

// Finds the sounds in 8 kHz mono audio as it comes: stretches of sound separated by at least
// 100 ms of silence; a stretch of at most 80 ms that is mostly 1 kHz is a beep; a longer one is
// the prompt whose start matches it (normalised correlation of at least 0.8), which then covers
// as much of the prompt as the audio follows, or is left out. It keeps only the audio it still
// needs: a prompt's start is decided once 0.6 s of it has come, and what follows it as it comes.
class LineAudioScanner {
public:
    // `prompts` must outlive the scanner.
    explicit LineAudioScanner(const std::vector<PromptSound>& prompts);

    // Audio that follows what came before.
    void Add(const std::int16_t* samples, std::size_t count);
    // No more audio comes: what is still open is decided on the audio there is.
    void Finish();
    // The sounds decided so far; frames count from the first sample added.
    const std::vector<HeardSound>& Heard() const { return heard; }
    // Frames of audio held: a few seconds at most, however long the audio.
    std::size_t HeldFrames() const { return audio.size(); }

private:
    enum class Match { Undecided, None, Following, Followed };

    // Decides what the audio so far allows about the next sound; false when it needs more.
    bool Step();
    void DecideMatch();
    // Follows the matched prompt through the audio; false when it needs more.
    bool Follow();
    // Lets go of the audio that nothing ahead looks at.
    void Trim();
    std::int64_t AudioEnd() const { return base + static_cast<std::int64_t>(audio.size()); }
    const std::int16_t* At(std::int64_t frame) const { return audio.data() + (frame - base); }
    bool Loud(std::int64_t window) const;

    const std::vector<PromptSound>& prompts;
    std::int64_t matchFrames = 0;  // the longest start of a prompt that is matched
    std::vector<std::int16_t> audio;
    std::int64_t base = 0;  // the frame of audio[0]
    bool finished = false;
    std::int64_t next = 0;  // the next window to look at
    // The stretch being heard, in windows; `stretchEnd` is -1 while it lasts.
    bool inStretch = false;
    std::int64_t start = 0;
    std::int64_t lastSound = 0;
    std::int64_t stretchEnd = -1;
    Match match = Match::Undecided;
    const PromptSound* prompt = nullptr;
    std::int64_t matchedAt = 0;  // frame where the prompt lines up
    std::int64_t followed = 0;   // frames of the prompt the audio followed
    std::vector<HeardSound> heard;
};

// The sounds in the whole of `audio`, as LineAudioScanner finds them.
std::vector<HeardSound> ScanLineAudio(const std::vector<std::int16_t>& audio,
                                      const std::vector<PromptSound>& prompts);
