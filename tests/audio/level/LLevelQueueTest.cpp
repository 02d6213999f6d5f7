// The background queue: files are levelled in their place by a worker thread, in order, across
// restarts; stopping leaves a file that is in use untouched.
#include "audio/level/LLevelQueue.h"

#include <gtest/gtest.h>

#include "audio/level/LevelTestFiles.h"

namespace {

class LLevelQueueTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string dataFolder = root.Path() + "/";

    std::string Recording(const std::string& name) {
        WriteFile(root / name, QuietRecording(1, 16000, 2));
        return root / name;
    }
    static bool Levelled(const std::string& path) {
        const WaveInfo info = InspectWave(path);
        return info.valid && info.format.sampleRate == 8000 && info.format.channels == 1;
    }
};

TEST_F(LLevelQueueTest, QueuedAndAddedFilesAreLevelledInTheBackground) {
    // An earlier run queued two files and stopped before levelling them.
    const std::string a = Recording("a.wav");
    const std::string b = Recording("b.wav");
    ASSERT_TRUE(LevelQueueFile(dataFolder + "bgalc.dat").Append(a));
    ASSERT_TRUE(LevelQueueFile(dataFolder + "bgalc.dat").Append(b));
    LLevelQueue queue(dataFolder);
    EXPECT_EQ(queue.QueuePath(), root / "bgalc.dat");
    const std::string c = Recording("c.wav");
    const std::string d = Recording("d.wav");
    ASSERT_TRUE(queue.Add(c));
    ASSERT_TRUE(queue.Add(d));
    queue.AwaitThreadEnd();
    for (const std::string& path : {a, b, c, d}) {
        EXPECT_TRUE(Levelled(path)) << path;
    }
    EXPECT_EQ(LevelQueueFile(queue.QueuePath()).Count(), 0);
    // The next Add starts the worker again.
    const std::string e = Recording("e.wav");
    ASSERT_TRUE(queue.Add(e));
    queue.AwaitThreadEnd();
    EXPECT_TRUE(Levelled(e));
    EXPECT_FALSE(queue.Add("relative.wav"));
}

TEST_F(LLevelQueueTest, StopEndsAWorkerWhileItsFileIsInUseAndLeavesTheFile) {
    const std::string a = Recording("a.wav");
    const std::string original = ReadFile(a);
    LSoundSourcePtr player = OpenWaveFile(a);
    LLevelQueue queue(dataFolder);
    ASSERT_TRUE(queue.Add(a));
    // Wherever the worker is when it is stopped, it cannot be done while the file is in use.
    EXPECT_TRUE(queue.IsThreadRunning());
    queue.Stop();
    EXPECT_FALSE(queue.IsThreadRunning());
    EXPECT_EQ(ReadFile(a), original);
    EXPECT_TRUE(HiddenFiles(root.Path()).empty());
}

}  // namespace
