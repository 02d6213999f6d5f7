// What the speech tests share: a speech engine with voices of their own, and the spoken file
// read back.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "audio/files/WaveReaders.h"
#include "speech/SpeechEngine.h"
#include "speech/SpeechEngines.h"

// A WAV file's format and its samples (16 times the 16-bit values); no samples when the file
// cannot be read.
struct SpokenFile {
    explicit SpokenFile(const std::string& path) {
        if (LSoundSourcePtr source = OpenWaveFile(path, &format)) {
            samples.resize(static_cast<std::size_t>(source->GetLength()));
            source->Read(samples.data(), source->GetLength());
        }
    }

    WaveFormatRecord format;
    std::vector<std::int32_t> samples;
};

// In the place of espeak-ng while it lives: three voices that each speak one second of a known
// sawtooth in small pieces and then report the end of the text.

class FakeSpeechEngine : public SpeechEngine {
public:
    static constexpr std::int32_t kRate = 16000;
    static constexpr int kPiece = 300;  // no divisor of the 800 frames between progress steps

    FakeSpeechEngine() { SetSpeechEngine(this); }
    ~FakeSpeechEngine() override { SetSpeechEngine(nullptr); }
    FakeSpeechEngine(const FakeSpeechEngine&) = delete;
    FakeSpeechEngine& operator=(const FakeSpeechEngine&) = delete;

    static std::int16_t Sample(int frame) { return static_cast<std::int16_t>(frame % 1000 - 500); }

    const std::vector<SpeechVoice>& Voices() override { return voices; }
    std::int32_t SampleRate() override { return kRate; }
    bool Speak(const std::string& /*text*/, const SpeechVoice& voice,
               SpeechOutput& output) override {
        spoken.push_back(voice.identifier);
        if (whileSpeaking) {
            whileSpeaking();
        }
        std::vector<std::int16_t> piece(kPiece);
        for (given = 0; given < frames; given += kPiece) {
            int count = std::min(kPiece, frames - given);
            for (int i = 0; i < count; ++i) {
                piece[static_cast<std::size_t>(i)] = Sample(given + i);
            }
            if (!output.Samples(piece.data(), count)) {
                return true;  // stopped, as espeak-ng is
            }
        }
        if (reportsEnd) {
            output.End();
        }
        return accepts;
    }

    std::vector<SpeechVoice> voices{
        {"English (America)", "gmw/en-US", {{"en-us", 2}, {"en", 3}}},
        {"English (Great Britain)", "gmw/en", {{"en-gb", 2}, {"en", 2}}},
        {"German", "gmw/de", {{"de", 5}}}};
    int frames = kRate;
    bool reportsEnd = true;
    bool accepts = true;
    std::vector<std::string> spoken;      // the identifiers of the voices that spoke, in turn
    int given = 0;                        // frames handed out by the last Speak
    std::function<void()> whileSpeaking;  // called when a text begins
};
