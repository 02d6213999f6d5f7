// Profile-file semantics: case, missing values, deletion, the length cut, line safety, and
// writes that stay whole under concurrent processes and crashes.
#include "base/IniFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/TempDir.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "settings.ini";
};

// Each row reads a key of a file, then writes it: a value, or none to delete it.
TEST_F(IniFileTest, ReadsAndWritesFindTheFirstSectionAndKeyWithoutRegardToCaseOrSpace) {
    const std::nullopt_t none = std::nullopt;
    const std::string two = "[other]\ndevice=1\n[settings]\nshowtip=true\n";
    const std::string sheet = "; comment\n[settings]\ndevice=1\n\n[player]\nvolume=2\n";
    const std::string longValue(300, 'v');
    const std::string exact(258, 'e');
    struct Row {
        std::optional<std::string> before;  // none: no file
        const char *section, *key;
        std::optional<std::string> read, write, after;
    } rows[] = {
        {none, "settings", "device", none, "1", "[settings]\ndevice=1\n"},
        {two, "settings", "device", none, "2", two + "device=2\n"},
        {"  [ SetTings ]  \r\n   DEVICE   =   3 4  \r\n", "SETTINGS", "Device", "3 4", "5",
         "  [ SetTings ]  \r\nDevice=5\r\n"},
        // New keys go after the section's last non-blank line, new sections after a blank line.
        {sheet, "settings", "showtip", none, "false",
         "; comment\n[settings]\ndevice=1\nshowtip=false\n\n[player]\nvolume=2\n"},
        {sheet, "recorder", "gain", none, "-6dB", sheet + "\n[recorder]\ngain=-6dB\n"},
        {"[s]\na=1\n[S]\na=2\nb=3\n", "s", "b", none, "4", "[s]\na=1\nb=4\n[S]\na=2\nb=3\n"},
        {"[s]\na=1\n[S]\na=2\nb=3\n", "s", "A", "1", none, "[s]\n[S]\na=2\nb=3\n"},
        // An empty value is present; line breaks in values cannot forge keys or sections.
        {"[settings]\nsendemail=\n", "settings", "sendemail", "",
         "me@example.org\r\ndevice=9\n[evil]",
         "[settings]\nsendemail=me@example.org  device=9 [evil]\n"},
        // Reads are cut at 258 characters; writes are stored whole.
        {"[s]\nk=" + longValue + "\n", "s", "k", std::string(258, 'v'), none, "[s]\n"},
        {"[s]\nk=" + exact + "\n", "s", "k", exact, longValue, "[s]\nk=" + longValue + "\n"},
        {none, "s", "k", none, none, none},
    };
    for (const Row& row : rows) {
        std::remove(file.c_str());
        if (row.before) {
            WriteFile(file, *row.before);
            ::chmod(file.c_str(), 0644);
        }
        const unsigned mode = row.before ? 0644u : 0600u;  // kept, or private for a new file
        EXPECT_EQ(ReadProfileValue(file, row.section, row.key), row.read) << row.key;
        EXPECT_EQ(ReadProfileString(file, row.section, row.key, "d"), row.read.value_or("d"));
        EXPECT_TRUE(WriteProfileString(file, row.section, row.key, row.write)) << row.key;
        EXPECT_EQ(Exists(file) ? std::optional(ReadFile(file)) : none, row.after) << row.key;
        EXPECT_EQ(FileMode(file), row.after ? mode : 0u) << row.key;
    }
    EXPECT_EQ(ReadProfileString(file, "s", "missing", longValue), std::string(258, 'v'));
    EXPECT_FALSE(WriteProfileString(dir / "no/such/settings.ini", "s", "k", "v"));
    EXPECT_FALSE(Exists(dir / "no"));
}

TEST_F(IniFileTest, NumbersTakeBlanksASignAndDigitsAndSaturate) {
    EXPECT_EQ(ParseIntValue("  -17"), -17);
    EXPECT_EQ(ParseIntValue("+5"), 5);
    EXPECT_EQ(ParseIntValue("12abc"), 12);
    for (const char* zero : {"abc", "", "- 5"}) {
        EXPECT_EQ(ParseIntValue(zero), 0) << zero;
    }
    EXPECT_EQ(ParseIntValue("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseIntValue("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIntValue("99999999999"), INT32_MAX);
    EXPECT_EQ(ParseIntValue("-99999999999999999999999"), INT32_MIN);
    WriteFile(file, "[s]\nn=12\n");
    EXPECT_EQ(ReadProfileInt(file, "s", "n", 3), 12);
    EXPECT_EQ(ReadProfileInt(file, "s", "missing", -3), -3);
}

// A reader, and a writer killed at any moment, only ever see the old or the new file whole, and
// two processes writing at once lose none of each other's writes.
TEST_F(IniFileTest, ConcurrentWritersAndCrashesLeaveTheOldOrTheNewFileWholeAndLoseNothing) {
    const std::string a(200, 'a'), b(200, 'b');
    ASSERT_TRUE(WriteProfileString(file, "settings", "first", a));
    ASSERT_TRUE(WriteProfileString(file, "settings", "last", a));
    auto whole = [&] {
        std::string first = ReadProfileString(file, "settings", "first", "");
        std::string last = ReadProfileString(file, "settings", "last", "");
        return (first == a || first == b) && (last == a || last == b);
    };
    for (int round = 0; round < 5; ++round) {
        pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (int i = 0;; ++i) {
                // Both keys in one write would be one change; two writes are two whole files.
                WriteProfileString(file, "settings", "first", (i % 2) ? a : b);
                WriteProfileString(file, "settings", "last", (i % 2) ? a : b);
            }
        }
        int broken = 0;
        for (int k = 0; k < 10; ++k) {
            for (int i = 0; i < 20; ++i) {
                broken += !whole();
            }
            WriteProfileString(file, "settings", "k" + std::to_string(k), std::to_string(round));
        }
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        EXPECT_EQ(broken, 0);
        EXPECT_TRUE(whole()) << ReadFile(file);
        for (int k = 0; k < 10; ++k) {
            EXPECT_EQ(ReadProfileString(file, "settings", "k" + std::to_string(k), "lost"),
                      std::to_string(round));
        }
    }
}

}  // namespace
