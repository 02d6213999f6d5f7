// The interface of a speech engine: its voices, and speaking a text as 16-bit mono samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One language a voice speaks; the lower the priority, the better the voice fits it.
struct SpeechLanguage {
    std::string code;  // such as "en-gb" or "de"
    int priority = 0;
};

struct SpeechVoice {
    std::string name;        // readable, such as "English (Great Britain)"
    std::string identifier;  // the engine's own, such as "gmw/en"
    std::vector<SpeechLanguage> languages;
};

// Where a voice speaks to, called on the thread that speaks.
class SpeechOutput {
public:
    virtual ~SpeechOutput() = default;
    // The next `count` samples; false stops the speaking at once.
    virtual bool Samples(const std::int16_t* samples, int count) = 0;
    // The engine has reached the end of the text.
    virtual void End() = 0;
};

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;
    // The voices in a stable order; none when the engine could not start or has no voice data.
    virtual const std::vector<SpeechVoice>& Voices() = 0;
    // Samples per second of what the voices speak.
    virtual std::int32_t SampleRate() = 0;
    // Speaks `text` (UTF-8) with `voice`, one of Voices(), handing the samples to `output` as
    // they come and returning when done or stopped; false when the engine refused the voice or
    // the text.
    virtual bool Speak(const std::string& text, const SpeechVoice& voice, SpeechOutput& output) = 0;
};
