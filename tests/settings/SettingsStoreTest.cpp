// Typed settings: each encoding written and read back through the file, missing keys read
// through the same parser as their defaults, and the key table's defaults.
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>

#include "base/IniFile.h"
#include "settings/SettingsKeys.h"
#include "support/TempDir.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "settings.ini";

    void Store(const char* key, const char* text) {
        ASSERT_TRUE(WriteProfileString(file, "settings", key, text));
    }
    std::string Stored(const char* key) {
        return ReadProfileValue(file, "settings", key).value_or("<missing>");
    }
};

TEST_F(SettingsStoreTest, Integers) {
    struct Row {
        const char* text;
        std::int32_t value;
    } rows[] = {
        {"42", 42},
        {"  -17", -17},
        {"+5", 5},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"99999999999", INT32_MAX},
        {"-99999999999999999999999", INT32_MIN},
    };
    for (const Row& row : rows) {
        Store("device", row.text);
        EXPECT_EQ(ReadIntSetting(file, "settings", "device", 3), row.value) << row.text;
    }
    EXPECT_EQ(ReadIntSetting(file, "settings", "missing", -3), -3);
    WriteIntSetting(file, "settings", "device", -12);
    EXPECT_EQ(Stored("device"), "-12");
}

TEST_F(SettingsStoreTest, Booleans) {
    struct Row {
        const char* text;
        bool value;
    } rows[] = {{"true", true}, {"TRUE", true}, {"True", true},  {"1", false},
                {"yes", false}, {"", false},    {"truer", false}};
    for (const Row& row : rows) {
        Store("cidflash", row.text);
        EXPECT_EQ(ReadBoolSetting(file, "settings", "cidflash", true), row.value) << row.text;
    }
    EXPECT_TRUE(ReadBoolSetting(file, "settings", "missing", true));
    EXPECT_FALSE(ReadBoolSetting(file, "settings", "missing", false));
    WriteBoolSetting(file, "settings", "cidflash", false);
    EXPECT_EQ(Stored("cidflash"), "false");
    WriteBoolSetting(file, "settings", "cidflash", true);
    EXPECT_EQ(Stored("cidflash"), "true");
}

TEST_F(SettingsStoreTest, Decibels) {
    struct Row {
        std::int8_t value;
        const char* text;
    } writes[] = {{-127, "--dB"}, {-128, "--dB"}, {-6, "-6dB"},
                  {0, "0dB"},     {8, "8dB"},     {127, "127dB"}};
    for (const Row& row : writes) {
        WriteDBSetting(file, "settings", "audiogain", row.value);
        EXPECT_EQ(Stored("audiogain"), row.text);
        EXPECT_EQ(ReadDBSetting(file, "settings", "audiogain", 5),
                  row.value < -127 ? -127 : row.value);
    }
    Store("audiogain", "-3dB");
    EXPECT_EQ(ReadDBSetting(file, "settings", "audiogain", 0), -3);
    Store("audiogain", "200dB");
    EXPECT_EQ(ReadDBSetting(file, "settings", "audiogain", 0), 127);
    EXPECT_EQ(ReadDBSetting(file, "settings", "missing", -127), -127);
    EXPECT_EQ(ReadDBSetting(file, "settings", "missing", -9), -9);
}

TEST_F(SettingsStoreTest, Durations) {
    WriteDurationSetting(file, "settings", "recordtoneinterval", 150000);
    EXPECT_EQ(Stored("recordtoneinterval"), "0:00:15.0000");  // the leading space is trimmed
    EXPECT_EQ(ReadDurationSetting(file, "settings", "recordtoneinterval", 0), 150000);
    Store("recordtoneinterval", "0:00:02.5");
    EXPECT_EQ(ReadDurationSetting(file, "settings", "recordtoneinterval", 0), 25000);
    Store("recordtoneinterval", "-0:00:01");
    EXPECT_EQ(ReadDurationSetting(file, "settings", "recordtoneinterval", 0), -10000);
    EXPECT_EQ(ReadDurationSetting(file, "settings", "missing", -5000), -5000);
    WriteDurationSetting(file, "settings", "negative", -5000);
    EXPECT_EQ(Stored("negative"), "-0:00:00.5000");
}

TEST_F(SettingsStoreTest, TimesOfDay) {
    WriteTimeOfDaySetting(file, "settings", "at", 3661);
    EXPECT_EQ(Stored("at"), "01:01:01");
    EXPECT_EQ(ReadTimeOfDaySetting(file, "settings", "at", 0), 3661u);
    Store("at", "23:59:59");
    EXPECT_EQ(ReadTimeOfDaySetting(file, "settings", "at", 0), 86399u);
    Store("at", "7h:5m");  // letters ignored: 7 hours, 5 minutes
    EXPECT_EQ(ReadTimeOfDaySetting(file, "settings", "at", 0), 7u * 3600 + 5 * 60);
    EXPECT_EQ(ReadTimeOfDaySetting(file, "settings", "missing", 45296), 45296u);
}

TEST_F(SettingsStoreTest, DatesAndTimes) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 5;
    local.tm_hour = 14;
    local.tm_min = 3;
    local.tm_sec = 22;
    local.tm_isdst = -1;
    std::time_t when = std::mktime(&local);
    WriteDateTimeSetting(file, "settings", "when", when);
    EXPECT_EQ(Stored("when"), "05/12/26-14:03:22");
    EXPECT_EQ(ReadDateTimeSetting(file, "settings", "when", 0), when);
    WriteDateTimeSetting(file, "settings", "when", 0);
    EXPECT_EQ(Stored("when"), "");
    EXPECT_EQ(ReadDateTimeSetting(file, "settings", "when", when), 0);
    EXPECT_EQ(ReadDateTimeSetting(file, "settings", "missing", when), when);
    Store("when", "05/12/26");  // incomplete: time zero
    EXPECT_EQ(ReadDateTimeSetting(file, "settings", "when", when), 0);
}

TEST_F(SettingsStoreTest, TextAndLists) {
    EXPECT_EQ(ReadTextSetting(file, "settings", "saveaspath", "/home"), "/home");
    WriteTextSetting(file, "settings", "saveaspath", "/tmp/x y");
    EXPECT_EQ(ReadTextSetting(file, "settings", "saveaspath", ""), "/tmp/x y");
    WriteTextSetting(file, "settings", "saveaspath", "");
    EXPECT_EQ(Stored("saveaspath"), "");
    WriteTextSetting(file, "settings", "saveaspath", std::nullopt);
    EXPECT_EQ(Stored("saveaspath"), "<missing>");

    WriteCountSetting(file, "player", "file", 2);
    EXPECT_EQ(ReadIntSetting(file, "player", "filecount", 0), 2);
    WriteTextSetting(file, "player", "file3name", "c.wav");
    MoveListEntry(file, "player", "file", 3, 1, "name");
    EXPECT_EQ(ReadTextSetting(file, "player", "file1name", ""), "c.wav");
    EXPECT_FALSE(ReadProfileValue(file, "player", "file3name"));
}

TEST(ChangeExtensionTest, ReplacesOnlyTheNamesExtension) {
    struct Row {
        const char* path;
        const char* extension;
        const char* result;
    } rows[] = {
        {"/a/b/rec.wav", ".mp3", "/a/b/rec.mp3"},
        {"/a/b/rec.wav", "mp3", "/a/b/rec.mp3"},
        {"/a/b.d/rec", ".wav", "/a/b.d/rec.wav"},
        {"rec.tar.gz", ".wav", "rec.tar.wav"},
        {"/a/rec.wav", "", "/a/rec"},
        {"", ".wav", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ChangeExtension(row.path, row.extension), row.result) << row.path;
    }
}

TEST_F(SettingsStoreTest, KeyTableDefaultsApplyToMissingKeys) {
    EXPECT_EQ(ReadSetting(file, settings::kDeleteFileDays), 30);
    EXPECT_EQ(ReadSetting(file, settings::kRecordToneInterval), 150000);
    EXPECT_TRUE(ReadSetting(file, settings::kCidFlash));
    EXPECT_TRUE(ReadSetting(file, settings::kRecordAlc));
    EXPECT_EQ(ReadSetting(file, settings::kAudioGain), 0);
    EXPECT_EQ(ReadSetting(file, settings::kSendEmail), "");
    WriteSetting(file, settings::kAudioCompressorThres, static_cast<std::int8_t>(-12));
    EXPECT_EQ(Stored("audiocompressorthres"), "-12dB");
    EXPECT_EQ(ReadSetting(file, settings::kAudioCompressorThres), -12);
}

}  // namespace
