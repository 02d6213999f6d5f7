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

    std::optional<std::string> Value(const char* key) {
        return ReadProfileValue(queue.Path(), "bgalc", key);
    }
};

TEST_F(LevelQueueFileTest, TakingTheOldestMovesTheOthersDown) {
    ASSERT_TRUE(queue.Append("/rec/a.wav"));
    ASSERT_TRUE(queue.Append("/rec/b.wav"));
    ASSERT_TRUE(queue.Append("/rec/c.wav"));
    EXPECT_EQ(Value("file0"), "/rec/a.wav");
    EXPECT_EQ(Value("file1"), "/rec/b.wav");
    EXPECT_EQ(Value("file2"), "/rec/c.wav");
    EXPECT_EQ(Value("count"), "3");

    EXPECT_EQ(queue.TakeOldest(), "/rec/a.wav");
    EXPECT_EQ(Value("file0"), "/rec/b.wav");
    EXPECT_EQ(Value("file1"), "/rec/c.wav");
    EXPECT_EQ(Value("file2"), std::nullopt);
    EXPECT_EQ(Value("count"), "2");
    EXPECT_EQ(queue.Entries(), (std::vector<std::string>{"/rec/b.wav", "/rec/c.wav"}));

    EXPECT_EQ(queue.TakeOldest(), "/rec/b.wav");
    EXPECT_EQ(queue.TakeOldest(), "/rec/c.wav");
    EXPECT_EQ(queue.TakeOldest(), std::nullopt);
    EXPECT_EQ(Value("count"), "0");
}

TEST_F(LevelQueueFileTest, AMissingNegativeOrUnreadableCountIsZero) {
    EXPECT_EQ(queue.Count(), 0);
    for (const char* count : {"-3", "many", ""}) {
        WriteFile(queue.Path(), std::string("[bgalc]\ncount=") + count + "\nfile0=/rec/a.wav\n");
        EXPECT_EQ(queue.Count(), 0) << count;
        EXPECT_EQ(queue.TakeOldest(), std::nullopt) << count;
    }
    // Appending after an unreadable count starts again at entry 0.
    ASSERT_TRUE(queue.Append("/rec/b.wav"));
    EXPECT_EQ(queue.Entries(), std::vector<std::string>{"/rec/b.wav"});
}

TEST_F(LevelQueueFileTest, OnlyPathsThatReadBackUnchangedAreQueued) {
    const std::string longest = "/" + std::string(kMaxProfileValue - 2, 'x');
    struct Row {
        std::string path;
        bool queued;
    } rows[] = {
        {"/rec/2026-01-02 10-11-12 555 Jo.wav", true},
        {longest, true},
        {longest + "x", false},  // would be cut on reading
        {"rec/a.wav", false},    // not a full path
        {"", false},
        {"/rec/a\nfile0=/etc/passwd", false},
        {"/rec/a.wav\r", false},
        {"/rec/a.wav ", false},  // the blank would be trimmed
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CanQueuePath(row.path), row.queued) << row.path;
        LevelQueueFile file(root / "q.dat");
        EXPECT_EQ(file.Append(row.path), row.queued) << row.path;
        EXPECT_EQ(file.Entries(),
                  row.queued ? std::vector<std::string>{row.path} : std::vector<std::string>{});
        std::remove((root / "q.dat").c_str());
    }
}

TEST_F(LevelQueueFileTest, AnUnwritableQueueFileRefusesTheEntry) {
    LevelQueueFile missing(root / "no/such/folder/bgalc.dat");
    EXPECT_FALSE(missing.Append("/rec/a.wav"));
    EXPECT_EQ(missing.Count(), 0);
}

}  // namespace
