// The home trash: the file and its record, names taken, any name, and no trash without a home.
#include "base/Trash.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(TrashTest, FilesGoWithARecordOfWhereFromAndWhenUnderAFreeName) {
    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    const std::string odd = dir / "a b%\xFC.wav";  // not valid UTF-8
    const std::time_t when = 1800000000;
    std::tm local{};
    ::localtime_r(&when, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    for (const char* content : {"first", "second"}) {
        WriteFile(odd, content);
        EXPECT_TRUE(MoveToHomeTrash(odd, when));
        EXPECT_FALSE(Exists(odd));
    }
    const std::string trash = dir / "data/Trash/";
    EXPECT_EQ(ReadFile(trash + "files/a b%\xFC.wav"), "first");
    EXPECT_EQ(ReadFile(trash + "files/a b%\xFC.wav.2"), "second");
    EXPECT_EQ(ReadFile(trash + "info/a b%\xFC.wav.trashinfo"),
              "[Trash Info]\nPath=" + dir.Path() + "/a%20b%25%FC.wav\nDeletionDate=" + date + "\n");
    EXPECT_FALSE(MoveToHomeTrash(dir / "none.wav"));
    EXPECT_FALSE(Exists(trash + "info/none.wav.trashinfo"));
    ScopedEnv noData{"XDG_DATA_HOME", std::nullopt};
    ScopedEnv noHome{"HOME", std::nullopt};
    WriteFile(odd, "kept");
    EXPECT_FALSE(MoveToHomeTrash(odd));
    EXPECT_TRUE(Exists(odd));
}

}  // namespace
