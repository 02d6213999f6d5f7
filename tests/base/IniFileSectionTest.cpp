// Whole sections of profile files: read in one go, and edited in one write that no other writer
// can come between.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

class IniFileSectionTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "queue.ini";
};

TEST_F(IniFileSectionTest, ASectionIsReadAsItsKeyLinesInOrder) {
    EXPECT_EQ(ReadProfileSection(file, "q"), std::nullopt);
    WriteFile(file, "[q]\n; note\nb = 2 \nA=1\nno equals\nb=3\nlong=" + std::string(300, 'v') +
                        "\n[Q]\nc=4\n[other]\nd=5\n");
    EXPECT_EQ(
        ReadProfileSection(file, "Q"),
        (ProfileSection{{"b", "2"}, {"A", "1"}, {"b", "3"}, {"long", std::string(258, 'v')}}));
    EXPECT_EQ(ReadProfileSection(file, "missing"), ProfileSection{});
}

TEST_F(IniFileSectionTest, AnEditReplacesTheSectionAndKeepsTheRest) {
    auto setTo = [](ProfileSection entries) {
        return [entries](ProfileSection& section) {
            section = entries;
            return true;
        };
    };
    const struct Row {
        std::string before;
        ProfileSection entries;
        std::string after;
    } rows[] = {
        {"", {{"count", "1"}}, "[q]\ncount=1\n"},
        {"[a]\nx=1\n", {{"k", "v"}}, "[a]\nx=1\n\n[q]\nk=v\n"},
        {"; top\n[q]\nold=1\n; note\nk=0\n\n[a]\nx=1\n",
         {{"k", "1"}, {"n", "2"}},
         "; top\n[q]\nk=1\nn=2\n\n[a]\nx=1\n"},
        {"[Q]\r\nold=1\r\n[q]\r\nsecond=1\r\n", {{"k", "v"}}, "[Q]\r\nk=v\r\n[q]\r\nsecond=1\r\n"},
        {"[q]\nold=1\n", {}, "[q]\n"},
        // Line breaks cannot forge keys or sections.
        {"[q]\n", {{"k", "v\n[evil]\nx=1"}}, "[q]\nk=v [evil] x=1\n"},
    };
    for (const Row& row : rows) {
        WriteFile(file, row.before);
        EXPECT_TRUE(EditProfileSection(file, "q", setTo(row.entries))) << row.before;
        EXPECT_EQ(ReadFile(file), row.after) << row.before;
    }
    // An edit that declines writes nothing: the very same file stays.
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    EXPECT_TRUE(EditProfileSection(file, "q", [](ProfileSection&) { return false; }));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_FALSE(EditProfileSection(dir / "no/such/queue.ini", "q", setTo({})));
}

// Two processes each adding one to a number 40 times: no increment may be lost between the read
// and the write of another.
TEST_F(IniFileSectionTest, ConcurrentEditsLoseNothing) {
    auto increment = [&] {
        return EditProfileSection(file, "q", [](ProfileSection& section) {
            const std::int32_t n = section.empty() ? 0 : ParseIntValue(section[0].value);
            section = {{"n", std::to_string(n + 1)}};
            return true;
        });
    };
    pid_t children[2];
    for (pid_t& child : children) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < 40; ++i) {
                increment();
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
    }
    EXPECT_EQ(ReadProfileInt(file, "q", "n", 0), 80);
}

}  // namespace
