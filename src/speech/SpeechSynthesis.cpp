// Speaking a text into a WAV file.
#include "speech/SpeechSynthesis.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "audio/files/LWaveWriter.h"
#include "speech/SpeechEngine.h"
#include "speech/SpeechEngines.h"

namespace {

// Characters, not bytes, of UTF-8 text: every byte but the continuation bytes starts one.
std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Writes what the voice speaks and takes a progress step every kSpeechStepMilliseconds of it.
class SynthesisOutput : public SpeechOutput {
public:
    SynthesisOutput(const std::string& text, LSoundSinkPtr writer, const SpeechProgressPoll& poll)
        : writer(std::move(writer)),
          stepFrames(std::max(1, this->writer->sampleRate * kSpeechStepMilliseconds / 1000)),
          progress(CharacterCount(text)),
          poll(poll) {}

    // One progress step; false once cancelled.
    bool Step() {
        cancelled = cancelled || (poll && !poll(progress.Step()));
        return !cancelled;
    }

    bool Samples(const std::int16_t* samples, int count) override {
        buffer.resize(static_cast<std::size_t>(count));
        std::transform(samples, samples + count, buffer.begin(),
                       [](std::int16_t sample) { return std::int32_t{sample} * 16; });
        writer->Write(buffer.data(), count);
        if (writer->HasFailed()) {
            return false;
        }
        for (untilStep -= count; untilStep <= 0; untilStep += stepFrames) {
            if (!Step()) {
                return false;
            }
        }
        return true;
    }

    void End() override { ended = true; }

    bool ended = false;
    bool cancelled = false;

private:
    LSoundSinkPtr writer;
    const std::int32_t stepFrames;
    std::int32_t untilStep = stepFrames;
    SpeechProgress progress;
    const SpeechProgressPoll& poll;
    std::vector<std::int32_t> buffer;
};

}  // namespace

SpeechProgress::SpeechProgress(std::size_t length)
    : factor(std::max(0.0, 1.0 - 10.0 / (static_cast<double>(length) + 1))) {}

double SpeechProgress::Step() {
    double shown = 1.0 - remaining;
    remaining *= factor;
    return shown;
}

SpeechResult SynthesizeSpeech(const std::string& text, int engineIndex,
                              const std::string& outputFile, const SpeechProgressPoll& progress) {
    SpeechEngine& engine = CurrentSpeechEngine();
    const std::vector<SpeechVoice>& voices = engine.Voices();
    if (voices.empty()) {
        return SpeechResult::NoEngine;
    }
    const int last = static_cast<int>(voices.size()) - 1;
    const SpeechVoice& voice = voices[static_cast<std::size_t>(std::clamp(engineIndex, 0, last))];
    SpeechResult result = SpeechResult::Failed;
    {
        auto writer = MakeCounted<LWaveWriter>(outputFile, engine.SampleRate(), 0, 2, 1);
        if (!writer || writer->HasFailed()) {
            return SpeechResult::Failed;
        }
        writer->flushHeaders = false;  // a file to be converted, not a recording to keep safe
        SynthesisOutput output(text, writer, progress);
        bool spoke = output.Step() && engine.Speak(text, voice, output);
        if (output.cancelled) {
            result = SpeechResult::Cancelled;
        } else if (spoke && output.ended && !writer->HasFailed()) {
            result = SpeechResult::Done;
        }
    }
    if (result != SpeechResult::Done) {
        std::error_code ignored;
        std::filesystem::remove(outputFile, ignored);
    }
    return result;
}
