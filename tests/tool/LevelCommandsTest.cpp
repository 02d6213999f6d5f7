// quillon-tool level and queue, the queue also with a damaged queue file or one that cannot be
// changed.
#include "ToolRun.h"
#include "audio/level/LevelQueueFile.h"
#include "audio/level/LevelTestFiles.h"

namespace {

class LevelCommandsTest : public ToolRun {
protected:
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string queueFile = dataFolder + kLevelQueueFileName;
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

    EXPECT_EQ(Run({"level", "a", "b", "c"}), kToolUsage);
}

TEST_F(LevelCommandsTest, QueueAddListAndRunSeeOnlyTheEntriesPresentAndRefuseWhatTheyCannotDo) {
    std::filesystem::create_directories(dataFolder);
    const std::string gone = root / "gone.wav";
    const std::string a = Recording("a.wav");
    WriteFile(queueFile, "[bgalc]\ncount=2000000000\nfile0=" + gone + "\nfile1=" + a + "\n");
    EXPECT_EQ(Run({"queue", "add", root / "nothing.wav"}), kToolFailed);
    EXPECT_EQ(err, "quillon-tool: " + (root / "nothing.wav") + ": No such file or directory\n");
    const std::string b = Recording("b.wav");
    ASSERT_EQ(Run({"queue", "add", b}), kToolOk) << err;
    EXPECT_EQ(out, "queued " + b + "\n");
    // Checked before anything that would walk the claimed count.
    ASSERT_EQ(ReadFile(queueFile),
              "[bgalc]\ncount=3\nfile0=" + gone + "\nfile1=" + a + "\nfile2=" + b + "\n");
    ASSERT_EQ(Run({"queue", "list"}), kToolOk);
    EXPECT_EQ(out, gone + "\n" + a + "\n" + b + "\n");

    // Too small for the queue file: every rewrite fails, every read works, and the run ends.
    const std::string queued = ReadFile(queueFile);
    {
        ScopedFileSizeLimit full(16);
        EXPECT_EQ(RunChild({"queue", "run"}), kToolFailed);
    }
    EXPECT_NE(out.find("quillon-tool: cannot change the queue file " + queueFile +
                       "; the rest of the queue is left as it is\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(ReadFile(queueFile), queued);

    ASSERT_EQ(Run({"queue", "run"}), kToolOk) << err;
    EXPECT_EQ(out, "skipped (not a readable WAV file): " + gone + "\nlevelled: " + a +
                       "\nlevelled: " + b + "\n");
    EXPECT_EQ(InspectWave(b).format.channels, 1u);
    EXPECT_EQ(ReadFile(queueFile), "[bgalc]\ncount=0\n");
    EXPECT_EQ(Run({"queue"}), kToolUsage);
    EXPECT_EQ(Run({"queue", "list", "x"}), kToolUsage);
    EXPECT_EQ(Run({"queue", "flush"}), kToolUsage);
}

}  // namespace
