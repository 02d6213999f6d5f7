// Recording names, and the auto-delete pass: the age limit, day counts, what it never touches.
#include "recorder/RecordingFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

TEST(RecordingPathTest, NamesByTimeAndCallerIdWithoutCharactersThatCannotBeInANameAndFree) {
    std::tm stamp{};
    ::strptime("2026-12-05 14:03:22", "%Y-%m-%d %H:%M:%S", &stamp);
    auto name = [&stamp](const char* number, const char* caller) {
        std::string path = RecordingPath("/rec/", stamp, number, caller);
        EXPECT_EQ(path.substr(0, 24), "/rec/2026-12-05 14-03-22");
        return path.substr(24);
    };
    EXPECT_EQ(name("", ""), ".wav");
    EXPECT_EQ(name("", "SMITH J"), " SMITH J.wav");
    EXPECT_EQ(name("5551234", "SMITH J"), " 5551234 SMITH J.wav");
    EXPECT_EQ(name("../../etc", "a/b"), " .._.._etc a_b.wav");
    EXPECT_EQ(name("555\r\n1", "x\x01y\x7f"), " 555__1 x_y_.wav");
    EXPECT_EQ(name("+1 (555) 123", "O'Brien, \xc3\xa9"), " +1 (555) 123 O'Brien, \xc3\xa9.wav");
    // Bytes that are not UTF-8: stray, cut, overlong, a surrogate, beyond U+10FFFF.
    EXPECT_EQ(name("M\xfcller \xe2\x82", "\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80 \xf0\x9f\x93\x9e"),
              " M_ller __ _________ \xf0\x9f\x93\x9e.wav");
    // A taken name gets the first free number.
    TempDir dir;
    std::string path = dir / "2026-12-05 14-03-22 555.wav";
    EXPECT_EQ(UniqueRecordingPath(path), path);
    WriteFile(path, "");
    WriteFile(dir / "2026-12-05 14-03-22 555 (2).wav", "");
    EXPECT_EQ(UniqueRecordingPath(path), dir / "2026-12-05 14-03-22 555 (3).wav");
}

class AutoDeleteTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.Path() + "/";
    std::int64_t now = 1796000000;  // late 2026
    std::uint32_t nowHigh = FileTimeHigh(now);

    void MakeFile(const std::string& name, double ageDays) {
        WriteFile(folder + name, "RIFF");
        SetAge(folder + name, ageDays);
    }
    void SetAge(const std::string& path, double ageDays) {
        timespec times[2]{};
        times[0].tv_sec = times[1].tv_sec = now - static_cast<std::int64_t>(ageDays * 86400);
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    std::vector<std::string> Pass(std::int32_t days, bool dryRun = false) {
        std::vector<std::string> deleted = DeleteOldRecordings(folder, days, nowHigh, dryRun);
        std::sort(deleted.begin(), deleted.end());
        return deleted;
    }
};

TEST_F(AutoDeleteTest, FilesOlderThanTheDaysGoAtLeastADayIsKeptAndHugeCountsKeepAll) {
    // File times are the upper bits of a count of 100 ns units.
    EXPECT_EQ(FileTimeHigh(0), 0x019DB1DEu);  // 1970-01-01 is 0x019DB1DED53E8000
    EXPECT_EQ(FileTimeHigh(-11644473600), 0u);
    EXPECT_EQ(FileTimeHigh(-20000000000), 0u);
    // One unit is 2^32 * 100 ns, about 429.5 s.
    EXPECT_EQ(FileTimeHigh(1000000000) - FileTimeHigh(1000000000 - 4295 * 10), 100u);
    EXPECT_EQ(RetentionUnits(30), 6060u);  // day counts below one: the rows below
    EXPECT_EQ(RetentionUnits(INT32_MAX), 202ull * INT32_MAX);
    // Days, then the ages in days of a file that goes and of one that stays (none: -1).
    const std::tuple<std::int32_t, double, double> rows[] = {
        {30, 31, 29}, {0, 1.1, 0.5}, {INT32_MAX, -1, 20000}};
    for (auto [days, goes, stays] : rows) {
        MakeFile("stays.wav", stays);
        if (goes >= 0) {
            MakeFile("goes.wav", goes);
        }
        EXPECT_EQ(Pass(days),
                  goes < 0 ? std::vector<std::string>{} : std::vector{folder + "goes.wav"})
            << days;
        EXPECT_TRUE(Exists(folder + "stays.wav")) << days;
    }
    // "deletefiledays": 30 when there is none, a huge value held at the largest count.
    EXPECT_EQ(ReadDeleteFileDays(dir / "settings.ini"), 30);
    WriteFile(dir / "settings.ini", "[settings]\ndeletefiledays=99999999999999\n");
    EXPECT_EQ(ReadDeleteFileDays(dir / "settings.ini"), INT32_MAX);
}

TEST_F(AutoDeleteTest, OnlyWavFilesOfTheFolderItselfAreListedOrDeleted) {
    for (const char* name : {"upper.WAV", "notes.txt", "call.wav.bak", "callwav"}) {
        MakeFile(name, 40);
    }
    MakeFile("a new \xFC.wav", 1);  // not valid UTF-8: listed as it is
    ASSERT_EQ(::mkdir((folder + "folder.wav").c_str(), 0700), 0);
    SetAge(folder + "folder.wav", 40);
    ASSERT_EQ(::mkdir((folder + "sub").c_str(), 0700), 0);
    MakeFile("sub/inner.wav", 40);
    // A link's target elsewhere is never followed, nor is the link removed.
    TempDir elsewhere;
    std::string target = elsewhere / "precious.wav";
    WriteFile(target, "RIFF");
    ASSERT_EQ(::symlink(target.c_str(), (folder + "link.wav").c_str()), 0);
    SetAge(folder + "link.wav", 40);
    SetAge(target, 40);
    EXPECT_EQ(ListRecordings(folder), (std::vector<std::string>{"a new \xFC.wav", "upper.WAV"}));
    // A dry run lists without deleting.
    EXPECT_EQ(Pass(30, true), std::vector<std::string>{folder + "upper.WAV"});
    EXPECT_TRUE(Exists(folder + "upper.WAV"));
    EXPECT_EQ(Pass(30), std::vector<std::string>{folder + "upper.WAV"});
    for (const char* kept :
         {"notes.txt", "call.wav.bak", "callwav", "folder.wav", "sub/inner.wav", "link.wav"}) {
        EXPECT_TRUE(Exists(folder + kept)) << kept;
    }
    EXPECT_TRUE(Exists(target));
    EXPECT_TRUE(DeleteOldRecordings(folder + "none/", 30, nowHigh).empty());
    EXPECT_TRUE(ListRecordings(folder + "none/").empty());
}

}  // namespace
