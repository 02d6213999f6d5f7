// Profile-file names: sections and keys that could not be read back as themselves are refused
// and leave the file as it was; every other name reads back what was written, once.
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

class IniFileNamesTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "settings.ini";
};

TEST_F(IniFileNamesTest, NamesThatWouldReadBackAsSomethingElseAreRefused) {
    const std::string before = "[settings]\ndevice=1\n";
    struct Row {
        const char* section;
        std::string key;
        const char* problem;  // a part of the reason
    } rows[] = {
        {"settings", "[other]", "start with '['"},
        {"settings", " [x", "white space"},
        {"settings", "device=2", "'='"},
        {"settings", "=", "'='"},
        {"settings", "", "empty"},
        {"settings", "   ", "empty"},
        {"settings", " device", "white space"},
        {"settings", "device\t", "white space"},
        {"settings", "dev\nice", "line break"},
        {"settings", "dev\rice", "line break"},
        {"set]tings", "device", "']'"},
        {"", "device", "empty"},
        {" ", "device", "empty"},
        {" settings", "device", "white space"},
        {"set\ntings", "device", "line break"},
    };
    for (const Row& row : rows) {
        WriteFile(file, before);
        const std::optional<std::string> problem = ProfileNameProblem(row.section, row.key);
        ASSERT_TRUE(problem) << row.section << "/" << row.key;
        EXPECT_NE(problem->find(row.problem), std::string::npos) << *problem;
        EXPECT_FALSE(WriteProfileString(file, row.section, row.key, "2")) << row.key;
        EXPECT_FALSE(WriteProfileString(file, row.section, row.key, std::nullopt)) << row.key;
        EXPECT_EQ(ReadFile(file), before) << row.key;
    }
}

TEST_F(IniFileNamesTest, EveryOtherNameReadsBackWhatWasWrittenWithoutGrowingTheFile) {
    WriteFile(file, "; kept\n[a[b]\nx=1\n");
    EXPECT_EQ(ReadProfileValue(file, "a[b", "x"), "1");  // as stored before
    const std::pair<const char*, const char*> names[] = {
        {"settings", "a b"}, {"settings", "a[b]"}, {"settings", ";not a comment"},
        {"settings", "#"},   {"settings", "k]"},   {"[s", "key"},
        {"a[b", "x"},        {"s=t", "k"},         {"Réglages", "clé"},
    };
    for (auto [section, key] : names) {
        ASSERT_FALSE(ProfileNameProblem(section, key)) << section << "/" << key;
        EXPECT_TRUE(WriteProfileString(file, section, key, "v1"));
        const std::string once = ReadFile(file);
        EXPECT_TRUE(WriteProfileString(file, section, key, "v2"));
        EXPECT_EQ(ReadFile(file).size(), once.size()) << key;
        EXPECT_EQ(ReadProfileValue(file, section, key), "v2") << section << "/" << key;
    }
    // No write disturbed another.
    for (auto [section, key] : names) {
        EXPECT_EQ(ReadProfileValue(file, section, key), "v2") << section << "/" << key;
    }
    EXPECT_EQ(ReadFile(file).rfind("; kept\n[a[b]\nx=v2\n", 0), 0u);
}

}  // namespace
