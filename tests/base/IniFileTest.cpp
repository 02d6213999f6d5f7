// Profile-file semantics: case, missing values, deletion, the length cut, line safety, and
// writes that stay whole under concurrent processes and crashes.
#include "base/IniFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "settings.ini";
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsDefault) {
    EXPECT_FALSE(ReadProfileValue(file, "settings", "device"));
    EXPECT_EQ(ReadProfileString(file, "settings", "device", "7"), "7");
    WriteFile(file, "[other]\ndevice=1\n[settings]\nshowtip=true\n");
    EXPECT_EQ(ReadProfileString(file, "settings", "device", "7"), "7");
    EXPECT_EQ(ReadProfileString(file, "missing", "showtip", "x"), "x");
    EXPECT_EQ(ReadProfileString(file, "settings", "showtip", "x"), "true");
}

TEST_F(IniFileTest, SectionsAndKeysIgnoreCaseAndSurroundingSpace) {
    WriteFile(file, "  [ SetTings ]  \r\n   DEVICE   =   3 4  \r\n");
    EXPECT_EQ(ReadProfileString(file, "settings", "device", ""), "3 4");
    ASSERT_TRUE(WriteProfileString(file, "SETTINGS", "Device", "5"));
    EXPECT_EQ(ReadProfileString(file, "settings", "dEvIcE", ""), "5");
    // The key was replaced in place, not added a second time; the CR LF style is kept.
    EXPECT_EQ(ReadFile(file), "  [ SetTings ]  \r\nDevice=5\r\n");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKeyAndKeepsTheRest) {
    ASSERT_TRUE(WriteProfileString(file, "settings", "device", "1"));
    EXPECT_EQ(ReadFile(file), "[settings]\ndevice=1\n");
    EXPECT_EQ(FileMode(file), 0600u);

    WriteFile(file, "; comment\n[settings]\ndevice=1\n\n[player]\nvolume=2\n");
    ASSERT_TRUE(WriteProfileString(file, "settings", "showtip", "false"));
    ASSERT_TRUE(WriteProfileString(file, "recorder", "gain", "-6dB"));
    EXPECT_EQ(ReadFile(file),
              "; comment\n[settings]\ndevice=1\nshowtip=false\n\n[player]\nvolume=2\n\n"
              "[recorder]\ngain=-6dB\n");
}

TEST_F(IniFileTest, WritingNoValueDeletesTheKeyOnly) {
    WriteFile(file, "[settings]\na=1\nb=2\n[other]\nb=3\n");
    ASSERT_TRUE(WriteProfileString(file, "settings", "B", std::nullopt));
    EXPECT_FALSE(ReadProfileValue(file, "settings", "b"));
    EXPECT_EQ(ReadProfileString(file, "settings", "a", ""), "1");
    EXPECT_EQ(ReadProfileString(file, "other", "b", ""), "3");
    // Deleting what is not there changes nothing, and creates no file.
    std::string before = ReadFile(file);
    ASSERT_TRUE(WriteProfileString(file, "settings", "nothere", std::nullopt));
    EXPECT_EQ(ReadFile(file), before);
    ASSERT_TRUE(WriteProfileString(dir / "none.ini", "s", "k", std::nullopt));
    EXPECT_FALSE(Exists(dir / "none.ini"));
}

TEST_F(IniFileTest, EmptyValueIsPresentNotMissing) {
    WriteFile(file, "[settings]\nsendemail=\n");
    EXPECT_EQ(ReadProfileValue(file, "settings", "sendemail"), std::string());
    EXPECT_EQ(ReadProfileString(file, "settings", "sendemail", "x"), "");
}

TEST_F(IniFileTest, ValuesAndDefaultsAreCutAt258Characters) {
    std::string longValue(300, 'v');
    ASSERT_TRUE(WriteProfileString(file, "settings", "path", longValue));
    EXPECT_NE(ReadFile(file).find(longValue), std::string::npos);  // stored whole
    EXPECT_EQ(ReadProfileString(file, "settings", "path", ""), std::string(258, 'v'));
    EXPECT_EQ(ReadProfileString(file, "settings", "other", longValue), std::string(258, 'v'));
    std::string exact(258, 'e');
    ASSERT_TRUE(WriteProfileString(file, "settings", "path", exact));
    EXPECT_EQ(ReadProfileString(file, "settings", "path", ""), exact);
}

TEST_F(IniFileTest, LineBreaksInValuesCannotForgeKeysOrSections) {
    ASSERT_TRUE(WriteProfileString(file, "settings", "sendemail",
                                   "me@example.org\r\ndevice=9\n[evil]\nx=1"));
    EXPECT_FALSE(ReadProfileValue(file, "settings", "device"));
    EXPECT_FALSE(ReadProfileValue(file, "evil", "x"));
    EXPECT_EQ(ReadProfileString(file, "settings", "sendemail", ""),
              "me@example.org  device=9 [evil] x=1");
    ASSERT_TRUE(WriteProfileString(file, "set\ntings", "k\rey", "v"));
    EXPECT_EQ(ReadProfileString(file, "set tings", "k ey", ""), "v");
}

TEST_F(IniFileTest, OnlyTheFirstSectionOfANameCounts) {
    WriteFile(file, "[s]\na=1\n[S]\na=2\nb=3\n");
    EXPECT_EQ(ReadProfileString(file, "s", "a", ""), "1");
    EXPECT_FALSE(ReadProfileValue(file, "s", "b"));
    ASSERT_TRUE(WriteProfileString(file, "s", "b", "4"));
    EXPECT_EQ(ReadProfileString(file, "s", "b", ""), "4");
}

TEST_F(IniFileTest, WriteInMissingFolderFailsQuietly) {
    EXPECT_FALSE(WriteProfileString(dir / "no/such/settings.ini", "s", "k", "v"));
    EXPECT_FALSE(Exists(dir / "no"));
}

TEST_F(IniFileTest, ReplacingKeepsTheFileModeAndLeavesNoTemporaryFiles) {
    WriteFile(file, "[s]\nk=1\n");
    ::chmod(file.c_str(), 0644);
    ASSERT_TRUE(WriteProfileString(file, "s", "k", "2"));
    EXPECT_EQ(FileMode(file), 0644u);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

// Two processes writing different keys at once must not lose each other's writes.
TEST_F(IniFileTest, ConcurrentWritersLoseNothing) {
    constexpr int kKeys = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int k = 0; k < kKeys; ++k) {
                WriteProfileString(file, "settings",
                                   "p" + std::to_string(c) + "k" + std::to_string(k),
                                   std::to_string(k));
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
    }
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < kKeys; ++k) {
            EXPECT_EQ(ReadProfileString(file, "settings",
                                        "p" + std::to_string(c) + "k" + std::to_string(k), "lost"),
                      std::to_string(k));
        }
    }
}

// A reader, and a writer killed at any moment, only ever leave the old or the new file.
TEST_F(IniFileTest, ReadersAndCrashesSeeTheOldOrTheNewFileWhole) {
    const std::string a(200, 'a');
    const std::string b(200, 'b');
    ASSERT_TRUE(WriteProfileString(file, "settings", "first", a));
    ASSERT_TRUE(WriteProfileString(file, "settings", "last", a));
    for (int round = 0; round < 5; ++round) {
        pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (int i = 0;; ++i) {
                const std::string& v = (i % 2) ? a : b;
                // Both keys in one write would be one change; two writes are two whole files.
                WriteProfileString(file, "settings", "first", v);
                WriteProfileString(file, "settings", "last", v);
            }
        }
        for (int i = 0; i < 200; ++i) {
            std::string first = ReadProfileString(file, "settings", "first", "missing");
            std::string last = ReadProfileString(file, "settings", "last", "missing");
            ASSERT_TRUE(first == a || first == b) << first;
            ASSERT_TRUE(last == a || last == b) << last;
        }
        ::usleep(1000 * (round + 1));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        std::string content = ReadFile(file);
        EXPECT_TRUE(content.rfind("[settings]\nfirst=", 0) == 0) << content;
        std::string first = ReadProfileString(file, "settings", "first", "missing");
        EXPECT_TRUE(first == a || first == b);
    }
}

}  // namespace
