// The speech engine of espeak-ng: its voices, and text spoken through its synthesis callback.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "speech/SpeechEngine.h"

// espeak-ng keeps its state in globals and is not thread-safe: there is one engine per process,
// initialised at first use, and one text at a time is spoken (callers on other threads wait).
// The voices are sorted by readable name, then by identifier.
class EspeakEngine : public SpeechEngine {
public:
    static EspeakEngine& Instance();

    ~EspeakEngine() override;
    EspeakEngine(const EspeakEngine&) = delete;
    EspeakEngine& operator=(const EspeakEngine&) = delete;

    const std::vector<SpeechVoice>& Voices() override { return voices; }
    std::int32_t SampleRate() override { return sampleRate; }
    bool Speak(const std::string& text, const SpeechVoice& voice, SpeechOutput& output) override;

private:
    EspeakEngine();

    std::mutex speaking;
    std::vector<SpeechVoice> voices;
    std::int32_t sampleRate = 0;
    bool initialized = false;
};

// A voice name of espeak-ng as a user reads it: some versions write "English_(Great_Britain)".
std::string ReadableVoiceName(std::string_view name);
