// quillon-tool queue with a damaged queue file: a huge count lists and drains only the entries
// present, and a queue file that cannot be changed ends a run with the reason.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "ToolRun.h"
#include "audio/level/LevelQueueFile.h"
#include "audio/level/LevelTestFiles.h"

namespace {

class QueueCommandLimitsTest : public ToolRun {
protected:
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string queueFile = dataFolder + kLevelQueueFileName;

    void SetUp() override { std::filesystem::create_directories(dataFolder); }
    // Runs the tool as Run does, in a child process with a file size limit of `maxFileSize`
    // and a minute to finish, so that a run that never ends fails the test instead of hanging
    // it; nothing when the child had to be killed.
    std::optional<int> RunLimited(const ToolArgs& args, rlim_t maxFileSize) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(60);
            int code = 0;
            {
                ScopedFileSizeLimit limit(maxFileSize);
                code = Run(args);
            }
            WriteFile(root / "out.txt", out);
            WriteFile(root / "err.txt", err);
            ::_exit(code);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        out = ReadFile(root / "out.txt");
        err = ReadFile(root / "err.txt");
        return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
    }
    std::string Recording(const std::string& name) {
        WriteFile(root / name, QuietRecording(1));
        return root / name;
    }
};

TEST_F(QueueCommandLimitsTest, AHugeCountListsAddsAndRunsOnlyTheEntriesPresent) {
    const std::string a = Recording("a.wav");
    const std::string gone = root / "gone.wav";
    WriteFile(queueFile, "[bgalc]\ncount=2000000000\nfile0=" + a + "\nfile1=" + gone + "\n");
    const std::string c = Recording("c.wav");
    ASSERT_EQ(Run({"queue", "add", c}), kToolOk) << err;
    // Checked before anything that would walk the claimed count.
    ASSERT_EQ(ReadFile(queueFile),
              "[bgalc]\ncount=3\nfile0=" + a + "\nfile1=" + gone + "\nfile2=" + c + "\n");
    ASSERT_EQ(Run({"queue", "list"}), kToolOk) << err;
    EXPECT_EQ(out, a + "\n" + gone + "\n" + c + "\n");
    ASSERT_EQ(Run({"queue", "run"}), kToolOk) << err;
    EXPECT_EQ(out, "levelled: " + a + "\nskipped (not a readable WAV file): " + gone +
                       "\nlevelled: " + c + "\n");
    EXPECT_EQ(ReadFile(queueFile), "[bgalc]\ncount=0\n");
}

TEST_F(QueueCommandLimitsTest, ARunEndsWithTheReasonWhenTheQueueFileCannotBeChanged) {
    const std::string gone = root / "gone.wav";
    const std::string content = "[bgalc]\ncount=2\nfile0=" + gone + "\nfile1=" + gone + "\n";
    WriteFile(queueFile, content);
    // Too small for the queue file: every rewrite fails, every read works.
    EXPECT_EQ(RunLimited({"queue", "run"}, 16), kToolFailed);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "quillon-tool: cannot change the queue file " + queueFile +
                       "; the rest of the queue is left as it is\n");
    EXPECT_EQ(ReadFile(queueFile), content);
}

TEST_F(QueueCommandLimitsTest, AFullQueueRefusesAnotherFile) {
    std::string content = "[bgalc]\ncount=" + std::to_string(kMaxLevelQueueEntries) + "\n";
    for (std::size_t i = 0; i < kMaxLevelQueueEntries; ++i) {
        content += "file" + std::to_string(i) + "=/rec/" + std::to_string(i) + ".wav\n";
    }
    WriteFile(queueFile, content);
    const std::string a = Recording("a.wav");
    EXPECT_EQ(Run({"queue", "add", a}), kToolFailed);
    EXPECT_EQ(err, "quillon-tool: cannot queue " + a + " (the queue is full)\n");
    EXPECT_EQ(ReadFile(queueFile), content);
}

}  // namespace
