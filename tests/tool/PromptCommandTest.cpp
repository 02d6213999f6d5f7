// quillon-tool prompt: a spoken announcement that is really speech and is levelled by the queue,
// a loaded file queued, and what is refused.
#include "ToolRun.h"
#include "audio/files/WaveTestFiles.h"
#include "audio/level/LevelQueueFile.h"
#include "recorder/PromptFiles.h"
#include "speech/SpeechEngines.h"

namespace {

class PromptCommandTest : public ToolRun {
protected:
    // The value after `label` in what `info` printed.
    double Info(const std::string& file, const std::string& label) {
        EXPECT_EQ(Run({"info", file}), kToolOk) << err;
        std::size_t at = out.find(label);
        return at == std::string::npos ? -999 : std::stod(out.substr(at + label.size()));
    }

    ScopedEnv tmp{"TMPDIR", root.Path()};
};

TEST_F(PromptCommandTest, ASpokenAnnouncementIsSpeechInTheTelephoneFormatAndGetsLevelled) {
    if (CountSpeechEngines() == 0) {
        GTEST_SKIP() << "no espeak-ng voices installed";
    }
    ASSERT_EQ(Run({"prompt", "start", "--say", "This call is being recorded"}), kToolOk) << err;
    const std::string start = PromptFile(dataFolder, PromptSlot::StartPrompt);
    EXPECT_EQ(Info(start, "rate:     "), 8000);
    EXPECT_EQ(Info(start, "channels: "), 1);
    const double seconds = Info(start, "length:   ") / 8000;
    EXPECT_GT(seconds, 1);
    EXPECT_LT(seconds, 6);
    ASSERT_EQ(Run({"queue", "run"}), kToolOk) << err;
    EXPECT_EQ(out, "levelled: " + start + "\n");
    // Between the level curve's knees, -6 and +2 dB, with a little room for a short text.
    const double level = Info(start, "level:    ");
    EXPECT_GT(level, -8);
    EXPECT_LT(level, 2);
    EXPECT_EQ(Run({"prompt", "end", "--say", "x", "--voice", "no such voice"}), kToolFailed);
}

TEST_F(PromptCommandTest, ALoadedFileIsQueuedForLevellingAndWrongArgumentsAreRefused) {
    std::filesystem::create_directories(dataFolder);
    WriteFile(root / "in.wav", Pcm16File(1, 8000, std::vector<std::int16_t>(800, 900)));
    ASSERT_EQ(Run({"prompt", "hold2", "--load", root / "in.wav"}), kToolOk) << err;
    const std::string hold2 = PromptFile(dataFolder, PromptSlot::OnHold2);
    EXPECT_EQ(out, hold2 + ": replaced, queued for levelling\n");
    EXPECT_EQ(LevelQueueFile(dataFolder + kLevelQueueFileName).Entries(),
              std::vector<std::string>{hold2});
    EXPECT_EQ(Run({"prompt", "hold2", "--load", root / "none.mp3"}), kToolFailed);
    for (const ToolArgs& wrong :
         {ToolArgs{"prompt", "hold4", "--reset"}, ToolArgs{"prompt", "end", "--reset", "--play"},
          ToolArgs{"prompt", "end", "--voice", "en", "--reset"}, ToolArgs{"prompt", "--reset"}}) {
        EXPECT_EQ(Run(wrong), kToolUsage) << wrong[1];
    }
}

}  // namespace
