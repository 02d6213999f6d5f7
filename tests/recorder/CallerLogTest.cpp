// Caller logs: one file a day with its header, entries appended, text that cannot forge lines.
#include "recorder/CallerLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TempDir.h"

namespace {

// "2026-12-05 09:05:07" in local time.
std::time_t Local(const char* when) {
    std::tm local{};
    ::strptime(when, "%Y-%m-%d %H:%M:%S", &local);
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::string Header(const char* date) {
    return std::string("Caller Log for ") + date +
           "\r\nCreated by Quillon Recorder\r\nQuillon Recorder is made by Ostrel\r\n";
}

TEST(CallerLogTest, EntriesGoToTheDaysFileWholeOnOneLineWhichIsMadeAgainButNeverRewritten) {
    TempDir dir;
    const std::string folder = dir.Path() + "/";
    const std::string day5 = folder + "Log 2026-12-05.txt";
    ASSERT_TRUE(AppendLogEntry(folder, "Quillon Recorder Run", Local("2026-12-05 09:05:07")));
    EXPECT_EQ(ReadFile(day5), Header("2026-12-05") + "\r\n09:05:07 Quillon Recorder Run");
    // Control characters cannot forge entries; eight-bit text is kept.
    ASSERT_TRUE(AppendLogEntry(folder, "Incoming call 555\r\n12:00:00 Quillon Recorder Exit\x07",
                               Local("2026-12-05 23:59:59")));
    ASSERT_TRUE(
        AppendLogEntry(folder, "Incoming call 555 M\xc3\xbcller", Local("2026-12-06 00:00:01")));
    EXPECT_EQ(ReadFile(day5),
              Header("2026-12-05") +
                  "\r\n09:05:07 Quillon Recorder Run"
                  "\r\n23:59:59 Incoming call 555  12:00:00 Quillon Recorder Exit ");
    EXPECT_EQ(ReadFile(folder + "Log 2026-12-06.txt"),
              Header("2026-12-06") + "\r\n00:00:01 Incoming call 555 M\xc3\xbcller");
    // A deleted file is made again, an existing one is never rewritten.
    ASSERT_EQ(::unlink(day5.c_str()), 0);
    ASSERT_TRUE(AppendLogEntry(folder, "two", Local("2026-12-05 08:00:01")));
    EXPECT_EQ(ReadFile(day5), Header("2026-12-05") + "\r\n08:00:01 two");
    WriteFile(day5, "kept as it was");
    ASSERT_TRUE(AppendLogEntry(folder, "x", Local("2026-12-05 10:00:00")));
    EXPECT_EQ(ReadFile(day5), "kept as it was\r\n10:00:00 x");
    // A missing folder loses the entry quietly.
    EXPECT_FALSE(AppendLogEntry(folder + "Logs/", "lost", Local("2026-12-05 10:00:00")));
    EXPECT_FALSE(Exists(folder + "Logs"));
}

}  // namespace
