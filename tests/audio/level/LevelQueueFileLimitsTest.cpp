// The queue file read from damaged or hostile content: the count is a claim checked against the
// entries present, gaps are skipped, the number of entries is capped, and a change writes the
// canonical form.
#include <gtest/gtest.h>

#include "audio/level/LevelQueueFile.h"
#include "support/TempDir.h"

namespace {

using Paths = std::vector<std::string>;

class LevelQueueFileLimitsTest : public ::testing::Test {
protected:
    TempDir root;
    LevelQueueFile queue{root / "bgalc.dat"};
};

// A queue file of `count` entries "/rec/<i>.wav" under a count of `claimed`.
std::string QueueOf(std::size_t count, std::int64_t claimed) {
    std::string content = "[bgalc]\ncount=" + std::to_string(claimed) + "\n";
    for (std::size_t i = 0; i < count; ++i) {
        content += "file" + std::to_string(i) + "=/rec/" + std::to_string(i) + ".wav\n";
    }
    return content;
}

TEST_F(LevelQueueFileLimitsTest, TheCountIsAClaimCheckedAgainstTheEntriesPresent) {
    const struct Row {
        std::string content;
        Paths entries;
    } rows[] = {
        {"[bgalc]\ncount=2000000000\nfile0=/rec/a.wav\nfile1=/rec/b.wav\n",
         {"/rec/a.wav", "/rec/b.wav"}},
        {"[bgalc]\ncount=99999999999999\nfile2147483646=/rec/z.wav\n", {"/rec/z.wav"}},
        // Gaps: a missing or empty entry below the count.
        {"[bgalc]\ncount=5\nfile0=/rec/a.wav\nfile2=/rec/c.wav\nfile3=\nfile4=/rec/e.wav\n",
         {"/rec/a.wav", "/rec/c.wav", "/rec/e.wav"}},
        // Entries at or beyond the count are not queued.
        {"[bgalc]\ncount=1\nfile0=/rec/a.wav\nfile1=/rec/b.wav\n", {"/rec/a.wav"}},
        {"[bgalc]\nfile0=/rec/a.wav\n", {}},
        // The order of the indexes, not of the lines; the first of a key counts; any case.
        {"[BGALC]\r\nCOUNT = 3\r\nFile2=/rec/c.wav\r\nfile0=/rec/a.wav\r\nFILE1=/rec/b.wav\r\n"
         "file1=/rec/x.wav\r\ncount=1\r\n",
         {"/rec/a.wav", "/rec/b.wav", "/rec/c.wav"}},
        // Only keys as "file%d" writes them.
        {"[bgalc]\ncount=9\nfile01=/x\nfile-1=/x\nfile+1=/x\nfile=/x\nfile 1=/x\nfile1x=/x\n"
         "files1=/x\nfile1=/rec/b.wav\n",
         {"/rec/b.wav"}},
        {"[other]\ncount=1\nfile0=/rec/a.wav\n", {}},
        // Values that cannot have been queued (cut, relative) are gaps too.
        {"[bgalc]\ncount=3\nfile0=rec/a.wav\nfile1=/" + std::string(300, 'x') +
             "\nfile2=/rec/c.wav\n",
         {"/rec/c.wav"}},
        // A NUL would end the name that the system sees early.
        {"[bgalc]\ncount=2\nfile0=/rec/a.wav" + std::string(1, '\0') + ".x\nfile1=/rec/b.wav\n",
         {"/rec/b.wav"}},
    };
    for (const Row& row : rows) {
        WriteFile(queue.Path(), row.content);
        // The count first: it is what a loop over the claimed entries would run to.
        ASSERT_EQ(queue.Count(), static_cast<std::int32_t>(row.entries.size())) << row.content;
        EXPECT_EQ(queue.Entries(), row.entries) << row.content;
        EXPECT_EQ(queue.Oldest(),
                  row.entries.empty() ? std::nullopt : std::optional(row.entries.front()));
    }
}

TEST_F(LevelQueueFileLimitsTest, AChangeWritesTheEntriesPresentWithoutGapsAndKeepsOtherSections) {
    WriteFile(queue.Path(),
              "[bgalc]\ncount=2000000000\nfile1=/rec/b.wav\nfile0=/rec/a.wav\n"
              "file7=\nnote=x\n\n[other]\nkey=1\n");
    ASSERT_EQ(queue.Count(), 2);
    ASSERT_TRUE(queue.Append("/rec/c.wav"));
    EXPECT_EQ(ReadFile(queue.Path()),
              "[bgalc]\ncount=3\nfile0=/rec/a.wav\nfile1=/rec/b.wav\nfile2=/rec/c.wav\n\n"
              "[other]\nkey=1\n");
    ASSERT_TRUE(queue.RemoveOldest("/rec/a.wav"));
    EXPECT_EQ(ReadFile(queue.Path()),
              "[bgalc]\ncount=2\nfile0=/rec/b.wav\nfile1=/rec/c.wav\n\n[other]\nkey=1\n");
}

TEST_F(LevelQueueFileLimitsTest, TheQueueHoldsAtMostItsLimit) {
    // More entries than the limit, all claimed: the oldest ones are the queue.
    WriteFile(queue.Path(), QueueOf(kMaxLevelQueueEntries + 5, kMaxLevelQueueEntries + 5));
    ASSERT_EQ(queue.Count(), static_cast<std::int32_t>(kMaxLevelQueueEntries));
    const Paths entries = queue.Entries();
    EXPECT_EQ(entries.back(), "/rec/" + std::to_string(kMaxLevelQueueEntries - 1) + ".wav");
    // A full queue refuses another entry and stays as it was.
    const std::string full = ReadFile(queue.Path());
    EXPECT_FALSE(queue.Append("/rec/new.wav"));
    EXPECT_EQ(ReadFile(queue.Path()), full);
    // Once one is taken there is room again; the entries beyond the limit are gone.
    ASSERT_TRUE(queue.RemoveOldest("/rec/0.wav"));
    ASSERT_TRUE(queue.Append("/rec/new.wav"));
    EXPECT_EQ(queue.Count(), static_cast<std::int32_t>(kMaxLevelQueueEntries));
    EXPECT_EQ(queue.Entries().back(), "/rec/new.wav");
}

}  // namespace
