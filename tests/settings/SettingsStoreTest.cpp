// Typed settings: each type's encoding in the file, its parser, and defaults for missing keys.
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
};

std::time_t LocalTime(const char* text) {
    std::tm local{};
    ::strptime(text, "%Y-%m-%d %H:%M:%S", &local);
    local.tm_isdst = -1;
    return std::mktime(&local);
}

TEST_F(SettingsStoreTest, EachTypeIsStoredInItsEncodingReadThroughItsParserAndListsMove) {
    const std::time_t when = LocalTime("2026-12-05 14:03:22");
    WriteIntSetting(file, "s", "int", -12);
    WriteBoolSetting(file, "s", "bool", false);
    WriteDBSetting(file, "s", "db", -128);
    WriteDurationSetting(file, "s", "duration", -5000);
    WriteTimeOfDaySetting(file, "s", "time", 3661);
    WriteDateTimeSetting(file, "s", "date", when);
    WriteDateTimeSetting(file, "s", "never", 0);
    WriteTextSetting(file, "s", "text", "/tmp/x y");
    EXPECT_EQ(ReadFile(file),
              "[s]\nint=-12\nbool=false\ndb=--dB\nduration=-0:00:00.5000\ntime=01:01:01\n"
              "date=05/12/26-14:03:22\nnever=\ntext=/tmp/x y\n");
    EXPECT_EQ(ReadIntSetting(file, "s", "int", 3), -12);
    EXPECT_FALSE(ReadBoolSetting(file, "s", "bool", true));
    EXPECT_EQ(ReadDBSetting(file, "s", "db", 5), -127);
    EXPECT_EQ(ReadDurationSetting(file, "s", "duration", 0), -5000);
    EXPECT_EQ(ReadTimeOfDaySetting(file, "s", "time", 0), 3661u);
    EXPECT_EQ(ReadDateTimeSetting(file, "s", "date", 0), when);
    EXPECT_EQ(ReadDateTimeSetting(file, "s", "never", when), 0);
    EXPECT_EQ(ReadTextSetting(file, "s", "text", ""), "/tmp/x y");
    // Text in no type's own form is read as the parsers read it.
    WriteTextSetting(file, "s", "db", "200dB");
    EXPECT_EQ(ReadDBSetting(file, "s", "db", 0), 127);
    // A missing key reads as its default, formatted and parsed again.
    EXPECT_TRUE(ReadBoolSetting(file, "s", "missing", true));
    EXPECT_EQ(ReadDBSetting(file, "s", "missing", -127), -127);
    EXPECT_EQ(ReadDurationSetting(file, "s", "missing", -5000), -5000);
    EXPECT_EQ(ReadTimeOfDaySetting(file, "s", "missing", 45296), 45296u);
    EXPECT_EQ(ReadDateTimeSetting(file, "s", "missing", when), when);
    WriteCountSetting(file, "player", "file", 2);
    EXPECT_EQ(ReadIntSetting(file, "player", "filecount", 0), 2);
    WriteTextSetting(file, "player", "file3name", "c.wav");
    MoveListEntry(file, "player", "file", 3, 1, "name");
    EXPECT_EQ(ReadTextSetting(file, "player", "file1name", ""), "c.wav");
    EXPECT_FALSE(ReadProfileValue(file, "player", "file3name"));
    EXPECT_EQ(ReadSetting(file, settings::kRecordToneInterval), 150000);
    WriteSetting(file, settings::kAudioCompressorThres, static_cast<std::int8_t>(-12));
    EXPECT_EQ(ReadProfileValue(file, "settings", "audiocompressorthres"), "-12dB");
    EXPECT_EQ(ReadSetting(file, settings::kAudioCompressorThres), -12);
}

TEST(SettingsEncodingTest, ParsersTakeAnyTextFormatsCoverTheirRangeExtensionsAreReplaced) {
    EXPECT_TRUE(ParseBoolValue("TRUE"));
    for (const char* text : {"1", "", "truer"}) {
        EXPECT_FALSE(ParseBoolValue(text)) << text;
    }
    EXPECT_EQ(FormatBoolValue(true), "true");
    EXPECT_EQ(FormatDBValue(-127), "--dB");
    EXPECT_EQ(FormatDBValue(-6), "-6dB");
    EXPECT_EQ(ParseTimeOfDay("23:59:59"), 86399u);
    EXPECT_EQ(ParseTimeOfDay("7h:5m"), 7u * 3600 + 5 * 60);  // letters are ignored
    EXPECT_EQ(ParseDateTime("05/12/26"), 0);                 // incomplete: time zero
    // Only the name's last extension is replaced, and a dot is put before one without.
    EXPECT_EQ(ChangeExtension("/a/b/rec.wav", ".mp3"), "/a/b/rec.mp3");
    EXPECT_EQ(ChangeExtension("rec.tar.gz", "wav"), "rec.tar.wav");
    EXPECT_EQ(ChangeExtension("/a/b.d/rec", ".wav"), "/a/b.d/rec.wav");
    EXPECT_EQ(ChangeExtension("/a/rec.wav", ""), "/a/rec");
    EXPECT_EQ(ChangeExtension("", ".wav"), "");
}

}  // namespace
