// Profile files: case, missing values, deletion, the length cut, line safety, names that read
// back, whole sections, and writes that stay whole under concurrent processes and crashes.
#include "base/IniFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/TempDir.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "settings.ini";
};

// Each row reads a key of a file, then writes it: a value, or none to delete it. Names that would
// read back as something else are refused, with a reason, and leave the file as it was.
TEST_F(IniFileTest, ReadsAndWritesFindTheFirstSectionAndKeyWithoutRegardToCaseOrSpace) {
    const std::nullopt_t none = std::nullopt;
    const std::string s1 = "[s]\nk=1\n";
    const std::string sheet = "; comment\n[settings]\ndevice=1\n\n[player]\nvolume=2\n";
    const std::string longValue(300, 'v');
    struct Row {
        std::optional<std::string> before;  // none: no file
        const char *section, *key;
        std::optional<std::string> read, write, after;
        const char* problem = nullptr;  // a part of the reason the name is refused for
    } rows[] = {
        {none, "settings", "device", none, "1", "[settings]\ndevice=1\n"},
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
        {"[s]\nk=" + longValue + "\n", "s", "k", std::string(258, 'v'), longValue + "w",
         "[s]\nk=" + longValue + "w\n"},
        {none, "s", "k", none, none, none},
        {s1, "s", "[k", none, "2", s1, "start with '['"},
        {s1, "s", "k=2", none, "2", s1, "'='"},
        {s1, "s", "   ", none, "2", s1, "empty"},
        {s1, "s", "k\t", none, "2", s1, "white space"},
        {s1, "s", "k\rx", none, "2", s1, "line break"},
        {s1, "s]t", "k", none, "2", s1, "']'"},
        {s1, " s", "k", none, "2", s1, "white space"},
        // Odd names that read back are found again, not added anew.
        {"[s]\na[b]=1\n", "s", "a[b]", "1", "2", "[s]\na[b]=2\n"},
        {"[a[b]\n;k=1\n", "a[b", ";k", "1", "2", "[a[b]\n;k=2\n"},
        {"[s=t]\na b=1\n", "s=t", "a b", "1", "2", "[s=t]\na b=2\n"},
    };
    for (const Row& row : rows) {
        std::remove(file.c_str());
        if (row.before) {
            WriteFile(file, *row.before);
            ::chmod(file.c_str(), 0644);
        }
        const unsigned mode = row.before ? 0644u : 0600u;  // kept, or private for a new file
        EXPECT_EQ(ReadProfileValue(file, row.section, row.key), row.read) << row.key;
        const std::string reason = ProfileNameProblem(row.section, row.key).value_or("");
        EXPECT_TRUE(row.problem ? reason.find(row.problem) != std::string::npos : reason.empty())
            << reason;
        EXPECT_EQ(WriteProfileString(file, row.section, row.key, row.write), !row.problem)
            << row.key;
        EXPECT_EQ(Exists(file) ? std::optional(ReadFile(file)) : none, row.after) << row.key;
        EXPECT_EQ(FileMode(file), row.after ? mode : 0u) << row.key;
    }
    EXPECT_EQ(ReadProfileString(file, "s", "missing", longValue), std::string(258, 'v'));
    EXPECT_FALSE(WriteProfileString(dir / "no/such/settings.ini", "s", "k", "v"));
}

TEST_F(IniFileTest, NumbersTakeBlanksASignAndDigitsAndSaturate) {
    const std::pair<const char*, std::int32_t> rows[] = {{"  -17", -17},
                                                         {"+5", 5},
                                                         {"12abc", 12},
                                                         {"- 5", 0},
                                                         {"2147483647", INT32_MAX},
                                                         {"-99999999999999999999999", INT32_MIN}};
    for (auto [text, number] : rows) {
        EXPECT_EQ(ParseIntValue(text), number) << text;
    }
    WriteFile(file, "[s]\nn=12\n");
    EXPECT_EQ(ReadProfileInt(file, "s", "n", 3), 12);
    EXPECT_EQ(ReadProfileInt(file, "s", "missing", -3), -3);
}

TEST_F(IniFileTest, ASectionIsReadAsItsKeyLinesAndAnEditReplacesItAndKeepsTheRest) {
    EXPECT_EQ(ReadProfileSection(file, "q"), std::nullopt);
    WriteFile(file, "[q]\n; note\nb = 2 \nno equals\nb=3\n[Q]\nc=4\n");
    EXPECT_EQ(ReadProfileSection(file, "Q"), (ProfileSection{{"b", "2"}, {"b", "3"}}));
    const std::tuple<std::string, ProfileSection, std::string> rows[] = {
        {"; top\n[q]\nold=1\n; note\nk=0\n\n[a]\nx=1\n",
         {{"k", "1"}, {"n", "2"}},
         "; top\n[q]\nk=1\nn=2\n\n[a]\nx=1\n"},
        {"[Q]\r\nold=1\r\n[q]\r\nsecond=1\r\n", {{"k", "v"}}, "[Q]\r\nk=v\r\n[q]\r\nsecond=1\r\n"},
        // Line breaks cannot forge keys or sections.
        {"[q]\n", {{"k", "v\n[evil]\nx=1"}}, "[q]\nk=v [evil] x=1\n"},
    };
    for (const auto& [before, entries, after] : rows) {
        WriteFile(file, before);
        EXPECT_TRUE(EditProfileSection(file, "q", [&](ProfileSection& section) {
            section = entries;
            return true;
        })) << before;
        EXPECT_EQ(ReadFile(file), after) << before;
    }
    // An edit that declines writes nothing: the very same file stays.
    auto inode = [&] {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const ino_t before = inode();
    EXPECT_TRUE(EditProfileSection(file, "q", [](ProfileSection&) { return false; }));
    EXPECT_EQ(inode(), before);
    EXPECT_FALSE(EditProfileSection(dir / "no/such/queue.ini", "q", [](auto&) { return true; }));
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
        for (int k = 0; k < 10; ++k) {
            EXPECT_EQ(ReadProfileString(file, "settings", "k" + std::to_string(k), "lost"),
                      std::to_string(round));
        }
    }
}

}  // namespace
