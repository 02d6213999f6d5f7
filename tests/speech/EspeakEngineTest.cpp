// espeak-ng itself: its voices named readably and in order, a short text spoken with the default
// voice, and speaking again after a cancel. Skipped where espeak-ng has no voice data.
#include "speech/EspeakEngine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "speech/SpeechSynthesis.h"
#include "speech/SpeechTestSupport.h"
#include "support/TempDir.h"

namespace {

class EspeakEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (engine.Voices().empty()) {
            GTEST_SKIP() << "espeak-ng has no voices here (Debian package espeak-ng-data)";
        }
    }

    EspeakEngine& engine = EspeakEngine::Instance();
    TempDir dir;
    const std::string file = dir / "Synthesized.wav";
};

TEST_F(EspeakEngineTest, VoicesHaveReadableNamesInOrderAndAreFoundByLanguage) {
    EXPECT_EQ(ReadableVoiceName("English_(Great_Britain)"), "English (Great Britain)");
    const std::vector<SpeechVoice>& voices = engine.Voices();
    EXPECT_TRUE(std::is_sorted(voices.begin(), voices.end(),
                               [](const auto& a, const auto& b) { return a.name < b.name; }));
    EXPECT_TRUE(std::none_of(voices.begin(), voices.end(), [](const SpeechVoice& voice) {
        return voice.name.find('_') != std::string::npos;
    }));
    EXPECT_EQ(GetSpeechEngineName(FindSpeechEngine("en-us")), "English (America)");
}

TEST_F(EspeakEngineTest, ACancelStopsTheSpeakingAndTheNextTextIsSpokenWhole) {
    int polls = 0;
    EXPECT_EQ(SynthesizeSpeech("This call is being recorded", 0, file,
                               [&](double) { return ++polls < 3; }),
              SpeechResult::Cancelled);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(SynthesizeSpeech("Hello", 0, file), SpeechResult::Done);
    EXPECT_GT(SpokenFile(file).samples.size(), static_cast<std::size_t>(engine.SampleRate() / 4));
}

}  // namespace
