// Speaking into a file with voices of the test's own: the voice an index chooses, the file
// written, the progress law and its steps, cancelling, and every way it can fail.
#include "speech/SpeechSynthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "speech/SpeechTestSupport.h"
#include "support/TempDir.h"

namespace {

class SpeechSynthesisTest : public ::testing::Test {
protected:
    TempDir dir;
    const std::string file = dir / "Synthesized.wav";
    FakeSpeechEngine engine;
};

TEST_F(SpeechSynthesisTest, TheIndexChoosesTheVoiceInOrderAndOneBeyondTheLastTakesTheLast) {
    const std::pair<int, const char*> rows[] = {
        {0, "gmw/en-US"}, {2, "gmw/de"}, {5, "gmw/de"}, {-1, "gmw/en-US"}};
    for (const auto& [index, identifier] : rows) {
        EXPECT_EQ(SynthesizeSpeech("Hello", index, file), SpeechResult::Done);
        EXPECT_EQ(engine.spoken.back(), identifier) << index;
    }
}

TEST_F(SpeechSynthesisTest, WritesWhatTheVoiceSpeaksAs16BitMonoAtTheEngineRate) {
    ASSERT_EQ(SynthesizeSpeech("Hello", 1, file), SpeechResult::Done);
    SpokenFile spoken(file);
    EXPECT_EQ(spoken.format.sampleRate, static_cast<std::uint32_t>(FakeSpeechEngine::kRate));
    EXPECT_EQ(spoken.format.channels, 1);
    EXPECT_EQ(spoken.format.bitsPerSample, 16);
    std::vector<std::int32_t> expected;
    for (int frame = 0; frame < engine.frames; ++frame) {
        expected.push_back(FakeSpeechEngine::Sample(frame) * 16);
    }
    EXPECT_EQ(spoken.samples, expected);
}

TEST(SpeechProgressTest, TheFactorFollowsTheTextLengthAndEachStepKeepsThatShareOfTheRest) {
    struct Row {
        std::size_t length;
        double factor;
        std::vector<double> shown;
    };
    const Row rows[] = {{9, 0.0, {0, 1, 1}},
                        {999, 0.99, {0, 0.01, 0.0199}},
                        {4, 0.0, {0, 1}},
                        {0, 0.0, {0, 1}},
                        {19, 0.5, {0, 0.5, 0.75}}};
    for (const Row& row : rows) {
        SpeechProgress progress(row.length);
        EXPECT_DOUBLE_EQ(progress.factor, row.factor) << row.length;
        for (double shown : row.shown) {
            EXPECT_NEAR(progress.Step(), shown, 1e-12) << row.length;
        }
    }
}

TEST_F(SpeechSynthesisTest, StepsOnceBeforeSpeakingAndEvery50MsOfSpeechByCharactersNotBytes) {
    const std::pair<std::string, double> rows[] = {{std::string(999, 'a'), 0.01},
                                                   {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
                                                    "\u00e9\u00e9\u00e9",
                                                    1.0}};
    for (const auto& [text, second] : rows) {
        std::vector<double> shown;
        SynthesizeSpeech(text, 0, file, [&](double part) {
            shown.push_back(part);
            return true;
        });
        ASSERT_EQ(shown.size(), 21u);  // one second of speech
        EXPECT_EQ(shown[0], 0.0);
        EXPECT_NEAR(shown[1], second, 1e-12);
        EXPECT_NEAR(shown.back(), 1 - std::pow(1 - second, 20), 1e-12);
    }
}

TEST_F(SpeechSynthesisTest, CancellingStopsTheVoiceAndLeavesNoFile) {
    for (int cancelAt : {1, 3}) {
        engine.spoken.clear();
        int polls = 0;
        EXPECT_EQ(SynthesizeSpeech("Hello", 0, file, [&](double) { return ++polls < cancelAt; }),
                  SpeechResult::Cancelled);
        EXPECT_EQ(polls, cancelAt);
        EXPECT_EQ(engine.spoken.size(), cancelAt == 1 ? 0u : 1u);
        EXPECT_LT(engine.given, engine.frames / 2);
        EXPECT_FALSE(Exists(file));
    }
}

TEST(SpeechSynthesisFailureTest, WithoutVoicesAnEndOfTheTextOrAWritableFileNoFileIsLeft) {
    TempDir dir;
    struct Row {
        const char* what;
        std::function<void(FakeSpeechEngine&)> arrange;
        std::string file;
        SpeechResult result;
    };
    const Row rows[] = {
        {"no voices", [](FakeSpeechEngine& e) { e.voices.clear(); }, dir / "a.wav",
         SpeechResult::NoEngine},
        {"no end", [](FakeSpeechEngine& e) { e.reportsEnd = false; }, dir / "a.wav",
         SpeechResult::Failed},
        {"refused", [](FakeSpeechEngine& e) { e.accepts = false; }, dir / "a.wav",
         SpeechResult::Failed},
        {"no folder", [](FakeSpeechEngine&) {}, dir / "missing/a.wav", SpeechResult::Failed}};
    for (const Row& row : rows) {
        FakeSpeechEngine engine;
        row.arrange(engine);
        EXPECT_EQ(SynthesizeSpeech("Hello", 0, row.file), row.result) << row.what;
        EXPECT_FALSE(Exists(row.file)) << row.what;
    }
}

}  // namespace
