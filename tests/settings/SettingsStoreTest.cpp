// Typed settings: each encoding through the file, and defaults for missing keys.
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
    auto read = [this](const char* text) {
        Store("device", text);
        return ReadIntSetting(file, "settings", "device", 3);
    };
    EXPECT_EQ(read("42"), 42);
    EXPECT_EQ(read("  -17"), -17);
    EXPECT_EQ(read("+5"), 5);
    EXPECT_EQ(read("12abc"), 12);
    for (const char* zero : {"abc", "", "- 5"}) {
        EXPECT_EQ(read(zero), 0) << zero;
    }
    EXPECT_EQ(read("2147483647"), INT32_MAX);
    EXPECT_EQ(read("-2147483648"), INT32_MIN);
    EXPECT_EQ(read("99999999999"), INT32_MAX);
    EXPECT_EQ(read("-99999999999999999999999"), INT32_MIN);
    EXPECT_EQ(ReadIntSetting(file, "settings", "missing", -3), -3);
    WriteIntSetting(file, "settings", "device", -12);
    EXPECT_EQ(Stored("device"), "-12");
}

TEST_F(SettingsStoreTest, Booleans) {
    for (bool value : {true, false}) {
        for (const char* text :
             value ? std::vector{"true", "TRUE", "True"} : std::vector{"1", "yes", "", "truer"}) {
            Store("cidflash", text);
            EXPECT_EQ(ReadBoolSetting(file, "settings", "cidflash", !value), value) << text;
        }
    }
    EXPECT_TRUE(ReadBoolSetting(file, "settings", "missing", true));
    EXPECT_FALSE(ReadBoolSetting(file, "settings", "missing", false));
    WriteBoolSetting(file, "settings", "cidflash", false);
    EXPECT_EQ(Stored("cidflash"), "false");
    WriteBoolSetting(file, "settings", "cidflash", true);
    EXPECT_EQ(Stored("cidflash"), "true");
}

TEST_F(SettingsStoreTest, Decibels) {
    auto write = [this](int value) {
        WriteDBSetting(file, "settings", "audiogain", static_cast<std::int8_t>(value));
        EXPECT_EQ(ReadDBSetting(file, "settings", "audiogain", 5), std::max(value, -127));
        return Stored("audiogain");
    };
    EXPECT_EQ(write(-127), "--dB");
    EXPECT_EQ(write(-128), "--dB");
    EXPECT_EQ(write(-6), "-6dB");
    EXPECT_EQ(write(0), "0dB");
    EXPECT_EQ(write(127), "127dB");
    Store("audiogain", "200dB");
    EXPECT_EQ(ReadDBSetting(file, "settings", "audiogain", 0), 127);
    EXPECT_EQ(ReadDBSetting(file, "settings", "missing", -127), -127);
    EXPECT_EQ(ReadDBSetting(file, "settings", "missing", -9), -9);
}

TEST_F(SettingsStoreTest, Durations) {
    WriteDurationSetting(file, "settings", "recordtoneinterval", 150000);
    EXPECT_EQ(Stored("recordtoneinterval"), "0:00:15.0000");  // the leading space is trimmed
    EXPECT_EQ(ReadDurationSetting(file, "settings", "recordtoneinterval", 0), 150000);
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
    ::strptime("2026-12-05 14:03:22", "%Y-%m-%d %H:%M:%S", &local);
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
    EXPECT_EQ(ChangeExtension("/a/b/rec.wav", ".mp3"), "/a/b/rec.mp3");
    EXPECT_EQ(ChangeExtension("/a/b/rec.wav", "mp3"), "/a/b/rec.mp3");
    EXPECT_EQ(ChangeExtension("/a/b.d/rec", ".wav"), "/a/b.d/rec.wav");
    EXPECT_EQ(ChangeExtension("rec.tar.gz", ".wav"), "rec.tar.wav");
    EXPECT_EQ(ChangeExtension("/a/rec.wav", ""), "/a/rec");
    EXPECT_EQ(ChangeExtension("", ".wav"), "");
}

TEST_F(SettingsStoreTest, KeyTableDefaultsApplyToMissingKeys) {
    EXPECT_EQ(ReadSetting(file, settings::kDeleteFileDays), 30);
    EXPECT_EQ(ReadSetting(file, settings::kRecordToneInterval), 150000);
    EXPECT_TRUE(ReadSetting(file, settings::kCidFlash));
    EXPECT_EQ(ReadSetting(file, settings::kSendEmail), "");
    WriteSetting(file, settings::kAudioCompressorThres, static_cast<std::int8_t>(-12));
    EXPECT_EQ(Stored("audiocompressorthres"), "-12dB");
    EXPECT_EQ(ReadSetting(file, settings::kAudioCompressorThres), -12);
}

}  // namespace
