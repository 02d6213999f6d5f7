// The menu folder, the desktop shortcut and the uninstall record.
#include "setup/DesktopEntries.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "setup/SetupTestHome.h"
#include "support/QtWidgetsTestApp.h"

namespace {

TEST(DesktopEntriesTest, TheMenuFolderAndShortcutAreValidEntriesForAnyFolderName) {
    QtWidgetsTestApp();
    SetupTestHome user;
    const std::string folder = user.dir / "Quillon \"100%\" $HOME";
    EXPECT_FALSE(AddShortcut(folder));  // no desktop folder yet
    EXPECT_TRUE(AddMenuEntries(folder));
    ::mkdir(user.desktop.c_str(), 0700);
    EXPECT_EQ(ShortcutFile(), user.desktop + "/quillon-recorder.desktop");
    EXPECT_TRUE(AddShortcut(folder));

    std::vector<std::string> files = MenuFiles();
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[0], user.home + "/.local/share/applications/ostrel-quillon-recorder.desktop");
    EXPECT_EQ(files[4],
              user.home + "/.config/menus/applications-merged/ostrel-quillon-recorder.menu");
    files.push_back(ShortcutFile());
    for (const std::string& file : files) {
        if (file.ends_with(".menu")) {
            EXPECT_NE(ReadFile(file).find("<Name>Quillon Recorder</Name>"), std::string::npos);
        } else if (std::optional<std::string> complaints = SetupTestHome::Validate(file)) {
            EXPECT_EQ(*complaints, "") << file;
        }
    }
    const std::string entry = ReadFile(files[0]);
    EXPECT_NE(entry.find("Name=Quillon Recorder\n"), std::string::npos);
    EXPECT_NE(entry.find("Exec=\"" + user.dir.Path() +
                         "/Quillon \\\\\"100%%\\\\\" \\\\$HOME/quillon\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(ReadFile(files[1]).find("Name=Uninstall Quillon Recorder\n"), std::string::npos);
    EXPECT_NE(ReadFile(files[2]).find("Name=Quillon Recorder Help\n"), std::string::npos);
    EXPECT_EQ(ReadFile(ShortcutFile()), entry);
    EXPECT_EQ(FileMode(ShortcutFile()), 0755u);
    EXPECT_EQ(ReadFile(user.gioLog), "set " + ShortcutFile() + " metadata::trusted true\n");
}

TEST(DesktopEntriesTest, TheUninstallRecordIsWrittenOnlyWhenNew) {
    TempDir dir;
    const std::string data = dir.Path() + "/";
    AddUninstallRecord(data, "/first/uninst");
    AddUninstallRecord(data, "/second/uninst");
    const std::string record = UninstallRecordFile(data);
    EXPECT_EQ(ReadProfileString(record, "Uninstall", "DisplayName", ""),
              "Quillon Recorder Uninstall");
    EXPECT_EQ(ReadProfileString(record, "Uninstall", "UninstallString", ""), "/first/uninst");
}

}  // namespace
