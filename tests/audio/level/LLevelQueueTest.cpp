// The background queue: its file holds the entries oldest first under "file%d" and their number
// under "count"; files are levelled in their place by a worker thread, in order, across
// restarts; stopping leaves a file that is in use untouched.
#include "audio/level/LLevelQueue.h"

#include <gtest/gtest.h>

#include "audio/level/LevelTestFiles.h"
#include "base/IniFile.h"

namespace {

class LLevelQueueTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv tmp{"TMPDIR", root.Path()};
    std::string dataFolder = root.Path() + "/";
    LevelQueueFile file{dataFolder + "bgalc.dat"};

    std::string Recording(const std::string& name) {
        WriteFile(root / name, QuietRecording(1, 16000, 2));
        return root / name;
    }
    static bool Levelled(const std::string& path) {
        const WaveInfo info = InspectWave(path);
        return info.valid && info.format.sampleRate == 8000 && info.format.channels == 1;
    }
    // The values under "file0".."file2" and "count" of the queue file.
    std::vector<std::optional<std::string>> Values() {
        std::vector<std::optional<std::string>> values;
        for (const char* key : {"file0", "file1", "file2", "count"}) {
            values.push_back(ReadProfileValue(file.Path(), "bgalc", key));
        }
        return values;
    }
};
using LevelQueueFileTest = LLevelQueueTest;

TEST_F(LevelQueueFileTest, TakingTheOldestMovesTheOthersDown) {
    for (const char* path : {"/rec/a.wav", "/rec/b.wav", "/rec/c.wav"}) {
        ASSERT_TRUE(file.Append(path));
    }
    using Expected = std::vector<std::optional<std::string>>;
    EXPECT_EQ(Values(), (Expected{"/rec/a.wav", "/rec/b.wav", "/rec/c.wav", "3"}));
    EXPECT_EQ(file.Oldest(), "/rec/a.wav");
    ASSERT_TRUE(file.RemoveOldest("/rec/a.wav"));
    EXPECT_EQ(Values(), (Expected{"/rec/b.wav", "/rec/c.wav", std::nullopt, "2"}));
    EXPECT_EQ(file.Entries(), (std::vector<std::string>{"/rec/b.wav", "/rec/c.wav"}));
    // Only the oldest entry is removed, and only when it is the file named.
    ASSERT_TRUE(file.RemoveOldest("/rec/c.wav"));
    EXPECT_EQ(file.Oldest(), "/rec/b.wav");
    ASSERT_TRUE(file.RemoveOldest("/rec/b.wav"));
    ASSERT_TRUE(file.RemoveOldest("/rec/c.wav"));
    EXPECT_EQ(file.Oldest(), std::nullopt);
    EXPECT_EQ(Values().back(), "0");
}

TEST_F(LevelQueueFileTest, AMissingNegativeOrUnreadableCountIsZero) {
    EXPECT_EQ(file.Count(), 0);
    for (const char* count : {"-3", "many"}) {
        WriteFile(file.Path(), std::string("[bgalc]\ncount=") + count + "\nfile0=/rec/a.wav\n");
        EXPECT_EQ(file.Count(), 0) << count;
        EXPECT_EQ(file.Oldest(), std::nullopt) << count;
    }
    // Appending after an unreadable count starts again at entry 0.
    ASSERT_TRUE(file.Append("/rec/b.wav"));
    EXPECT_EQ(file.Entries(), std::vector<std::string>{"/rec/b.wav"});
    // An unwritable queue file refuses the entry.
    LevelQueueFile missing(root / "no/such/folder/bgalc.dat");
    EXPECT_FALSE(missing.Append("/rec/a.wav"));
    EXPECT_EQ(missing.Count(), 0);
}

TEST_F(LevelQueueFileTest, OnlyPathsThatReadBackUnchangedAreQueued) {
    const std::string longest = "/" + std::string(kMaxProfileValue - 2, 'x');
    // Too long would be cut on reading, a blank at the end trimmed; relative paths are refused.
    for (auto [path, queued] :
         {std::pair<std::string, bool>{"/rec/2026-01-02 10-11-12 555 Jo.wav", true},
          {longest, true},
          {longest + "x", false},
          {"rec/a.wav", false},
          {"", false},
          {"/rec/a\nfile0=/etc/passwd", false},
          {"/rec/a.wav ", false}}) {
        EXPECT_EQ(CanQueuePath(path), queued) << path;
        EXPECT_EQ(file.Append(path), queued) << path;
        EXPECT_EQ(file.Entries(),
                  queued ? std::vector<std::string>{path} : std::vector<std::string>{});
        std::remove(file.Path().c_str());
    }
}

TEST_F(LLevelQueueTest, QueuedAndAddedFilesAreLevelledInTheBackground) {
    // An earlier run queued two files and stopped before levelling them.
    const std::string a = Recording("a.wav");
    const std::string b = Recording("b.wav");
    ASSERT_TRUE(file.Append(a));
    ASSERT_TRUE(file.Append(b));
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
    EXPECT_EQ(file.Count(), 0);
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
