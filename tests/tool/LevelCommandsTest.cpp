// quillon-tool level and queue.
#include "ToolRun.h"
#include "audio/level/LevelQueueFile.h"
#include "audio/level/LevelTestFiles.h"

namespace {

class LevelCommandsTest : public ToolRun {
protected:
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string queueFile = dataFolder + "bgalc.dat";
    std::string Recording(const std::string& name) {
        WriteFile(root / name, QuietRecording(1, 8000, 2));
        return root / name;
    }
};

TEST_F(LevelCommandsTest, LevelWritesOutOrReplacesTheInputPrintsLevelsAndTimeOrSaysWhyNot) {
    const std::string in = Recording("in.wav");
    const std::string before = ReadFile(in);
    ASSERT_EQ(Run({"level", in, root / "out.wav"}), kToolOk) << err;
    EXPECT_EQ(ReadFile(in), before);
    EXPECT_EQ(InspectWave(root / "out.wav").format.channels, 1u);  // from stereo
    ASSERT_EQ(Run({"level", in}), kToolOk) << err;
    EXPECT_EQ(ReadFile(in), ReadFile(root / "out.wav"));
    // Peak 300 of 16 bits: -28.7 dB; the output level and time depend on the levelling.
    EXPECT_NE(out.find("input level:  -28.7 dB\noutput level: -"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with(" s\n") && out.find("\ntime:         ") != std::string::npos) << out;

    WriteFile(root / "text.wav", "not audio");
    EXPECT_EQ(Run({"level", root / "text.wav"}), kToolFailed);
    EXPECT_EQ(err, "quillon-tool: " + (root / "text.wav") + ": not a WAV file that can be read\n");
    EXPECT_EQ(ReadFile(root / "text.wav"), "not audio");

    EXPECT_EQ(Run({"level", in, root / "missing/out.wav"}), kToolFailed);
    EXPECT_NE(err.find("failed;"), std::string::npos) << err;

    EXPECT_EQ(Run({"level", "a", "b", "c"}), kToolUsage);
}

TEST_F(LevelCommandsTest, QueueAddListAndRunAndRefusesMissingFilesAndBadCommands) {
    EXPECT_EQ(Run({"queue", "add", root / "nothing.wav"}), kToolFailed);
    EXPECT_EQ(err, "quillon-tool: " + (root / "nothing.wav") + ": No such file or directory\n");
    const std::string a = Recording("a.wav");
    const std::string b = Recording("b.wav");
    ASSERT_EQ(Run({"queue", "add", a}), kToolOk) << err;
    EXPECT_EQ(out, "queued " + a + "\n");
    ASSERT_EQ(Run({"queue", "add", b}), kToolOk) << err;
    ASSERT_EQ(Run({"queue", "list"}), kToolOk);
    EXPECT_EQ(out, a + "\n" + b + "\n");
    EXPECT_EQ(LevelQueueFile(queueFile).Count(), 2);

    std::remove(a.c_str());
    ASSERT_EQ(Run({"queue", "run"}), kToolOk);
    EXPECT_EQ(out, "skipped (not a readable WAV file): " + a + "\nlevelled: " + b + "\n");
    EXPECT_EQ(InspectWave(b).format.channels, 1u);
    ASSERT_EQ(Run({"queue", "list"}), kToolOk);
    EXPECT_EQ(out, "");
    EXPECT_EQ(Run({"queue"}), kToolUsage);
    EXPECT_EQ(Run({"queue", "add"}), kToolUsage);
    EXPECT_EQ(Run({"queue", "list", "x"}), kToolUsage);
    EXPECT_EQ(Run({"queue", "flush"}), kToolUsage);
}

}  // namespace
