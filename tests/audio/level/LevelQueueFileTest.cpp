// The queue file: entries oldest first under "file%d", their number under "count".
#include "audio/level/LevelQueueFile.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

class LevelQueueFileTest : public ::testing::Test {
protected:
    TempDir root;
    LevelQueueFile queue{root / "bgalc.dat"};

    // The values under "file0".."file2" and "count".
    std::vector<std::optional<std::string>> Values() {
        std::vector<std::optional<std::string>> values;
        for (const char* key : {"file0", "file1", "file2", "count"}) {
            values.push_back(ReadProfileValue(queue.Path(), "bgalc", key));
        }
        return values;
    }
};

TEST_F(LevelQueueFileTest, TakingTheOldestMovesTheOthersDown) {
    for (const char* path : {"/rec/a.wav", "/rec/b.wav", "/rec/c.wav"}) {
        ASSERT_TRUE(queue.Append(path));
    }
    using Expected = std::vector<std::optional<std::string>>;
    EXPECT_EQ(Values(), (Expected{"/rec/a.wav", "/rec/b.wav", "/rec/c.wav", "3"}));
    EXPECT_EQ(queue.Oldest(), "/rec/a.wav");
    ASSERT_TRUE(queue.RemoveOldest("/rec/a.wav"));
    EXPECT_EQ(Values(), (Expected{"/rec/b.wav", "/rec/c.wav", std::nullopt, "2"}));
    EXPECT_EQ(queue.Entries(), (std::vector<std::string>{"/rec/b.wav", "/rec/c.wav"}));
    // Only the oldest entry is removed, and only when it is the file named.
    ASSERT_TRUE(queue.RemoveOldest("/rec/c.wav"));
    EXPECT_EQ(queue.Oldest(), "/rec/b.wav");
    ASSERT_TRUE(queue.RemoveOldest("/rec/b.wav"));
    ASSERT_TRUE(queue.RemoveOldest("/rec/c.wav"));
    EXPECT_EQ(queue.Oldest(), std::nullopt);
    EXPECT_EQ(Values().back(), "0");
}

TEST_F(LevelQueueFileTest, AMissingNegativeOrUnreadableCountIsZero) {
    EXPECT_EQ(queue.Count(), 0);
    for (const char* count : {"-3", "many", ""}) {
        WriteFile(queue.Path(), std::string("[bgalc]\ncount=") + count + "\nfile0=/rec/a.wav\n");
        EXPECT_EQ(queue.Count(), 0) << count;
        EXPECT_EQ(queue.Oldest(), std::nullopt) << count;
    }
    // Appending after an unreadable count starts again at entry 0.
    ASSERT_TRUE(queue.Append("/rec/b.wav"));
    EXPECT_EQ(queue.Entries(), std::vector<std::string>{"/rec/b.wav"});
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
          {"/rec/a.wav\r", false},
          {"/rec/a.wav ", false}}) {
        EXPECT_EQ(CanQueuePath(path), queued) << path;
        LevelQueueFile file(root / "q.dat");
        EXPECT_EQ(file.Append(path), queued) << path;
        EXPECT_EQ(file.Entries(),
                  queued ? std::vector<std::string>{path} : std::vector<std::string>{});
        std::remove((root / "q.dat").c_str());
    }
}

}  // namespace
