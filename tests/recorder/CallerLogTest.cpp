// Caller logs: the day's file and its header, appending, the change of day, recreation of a
// deleted file, and caller ID text that cannot forge lines.
#include "recorder/CallerLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TempDir.h"

namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

const char kHeader[] =
    "Caller Log for 2026-12-05\r\n"
    "Created by Quillon Recorder\r\n"
    "Quillon Recorder is made by Ostrel\r\n";

class CallerLogTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.Path() + "/";
    std::string day5 = folder + "Log 2026-12-05.txt";
};

TEST_F(CallerLogTest, FirstEntryCreatesTheFileAndLaterEntriesAppend) {
    ASSERT_TRUE(AppendLogEntry(folder, "Quillon Recorder Run", LocalTime(2026, 12, 5, 9, 5, 7)));
    EXPECT_EQ(ReadFile(day5), std::string(kHeader) + "\r\n09:05:07 Quillon Recorder Run");
    ASSERT_TRUE(
        AppendLogEntry(folder, "Incoming call 5551234 ", LocalTime(2026, 12, 5, 14, 3, 22)));
    EXPECT_EQ(ReadFile(day5), std::string(kHeader) +
                                  "\r\n09:05:07 Quillon Recorder Run"
                                  "\r\n14:03:22 Incoming call 5551234 ");
}

TEST_F(CallerLogTest, EntriesAcrossMidnightGoToTwoFiles) {
    ASSERT_TRUE(AppendLogEntry(folder, "Incoming call a b", LocalTime(2026, 12, 5, 23, 59, 59)));
    ASSERT_TRUE(AppendLogEntry(folder, "Incoming call c d", LocalTime(2026, 12, 6, 0, 0, 1)));
    EXPECT_EQ(ReadFile(day5), std::string(kHeader) + "\r\n23:59:59 Incoming call a b");
    EXPECT_EQ(ReadFile(folder + "Log 2026-12-06.txt"),
              "Caller Log for 2026-12-06\r\nCreated by Quillon Recorder\r\n"
              "Quillon Recorder is made by Ostrel\r\n\r\n00:00:01 Incoming call c d");
}

TEST_F(CallerLogTest, DeletedFileIsCreatedAgainWithANewHeader) {
    ASSERT_TRUE(AppendLogEntry(folder, "one", LocalTime(2026, 12, 5, 8, 0, 0)));
    ASSERT_EQ(::unlink(day5.c_str()), 0);
    ASSERT_TRUE(AppendLogEntry(folder, "two", LocalTime(2026, 12, 5, 8, 0, 1)));
    EXPECT_EQ(ReadFile(day5), std::string(kHeader) + "\r\n08:00:01 two");
}

TEST_F(CallerLogTest, ControlCharactersInTextCannotForgeEntries) {
    ASSERT_TRUE(AppendLogEntry(folder, "Incoming call 555\r\n12:00:00 Quillon Recorder Exit\x07",
                               LocalTime(2026, 12, 5, 10, 0, 0)));
    EXPECT_EQ(
        ReadFile(day5),
        std::string(kHeader) + "\r\n10:00:00 Incoming call 555  12:00:00 Quillon Recorder Exit ");
}

TEST_F(CallerLogTest, EightBitTextIsKept) {
    ASSERT_TRUE(AppendLogEntry(folder, "Incoming call 555 M\xc3\xbcller",
                               LocalTime(2026, 12, 5, 10, 0, 0)));
    EXPECT_EQ(ReadFile(day5),
              std::string(kHeader) + "\r\n10:00:00 Incoming call 555 M\xc3\xbcller");
}

TEST_F(CallerLogTest, MissingFolderLosesTheEntryQuietly) {
    EXPECT_FALSE(AppendLogEntry(folder + "Logs/", "lost", LocalTime(2026, 12, 5, 10, 0, 0)));
    EXPECT_FALSE(Exists(folder + "Logs"));
}

TEST_F(CallerLogTest, ExistingFileIsNeverRewritten) {
    WriteFile(day5, "kept as it was");
    ASSERT_TRUE(AppendLogEntry(folder, "x", LocalTime(2026, 12, 5, 10, 0, 0)));
    EXPECT_EQ(ReadFile(day5), "kept as it was\r\n10:00:00 x");
}

}  // namespace
