// Folder resolution: registered folders, the private default data folder, the variables.
#include "settings/Folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

class FoldersTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv data{"XDG_DATA_HOME", root / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", root / "config"};
    std::string defaultFolder = root / "data/Ostrel/Quillon";
};

TEST_F(FoldersTest, RegisteredFoldersWinAndTheOthersDeriveFromTheDefaultFolder) {
    const std::string d = defaultFolder + "/";
    using Values = std::vector<std::pair<const char*, const char*>>;
    const std::tuple<Values, std::string, std::string, std::string> rows[] = {
        {{}, d, d + "Recordings/", d + "Logs/"},
        {{{"DataFiles", "/srv/quillon"}, {"Recordings", "/media/calls/"}, {"Logs", " /tmp/logs "}},
         "/srv/quillon/",
         "/media/calls/",
         "/tmp/logs/"},
        // Value names ignore letter case; an empty value counts as none.
        {{{"recordings", "/media/calls"}, {"Logs", ""}}, d, "/media/calls/", d + "Logs/"},
    };
    ::mkdir((root / "config").c_str(), 0700);
    for (const auto& [values, data, recordings, logs] : rows) {
        std::remove((root / "config/folders.ini").c_str());
        for (const auto& [name, path] : values) {
            ASSERT_TRUE(WriteProfileString(root / "config/folders.ini", "Folders", name, path));
        }
        ProgramFolders app = ResolveProgramFolders();
        EXPECT_EQ(app.dataFolder, data);
        EXPECT_EQ(app.settingsFile, data + "settings.ini");
        EXPECT_EQ(app.recordingsFolder, recordings);
        EXPECT_EQ(app.logsFolder, logs);
    }
    // Only the data folder is made.
    EXPECT_TRUE(Exists(defaultFolder));
    EXPECT_FALSE(Exists(d + "Recordings") || Exists(d + "Logs") || Exists(d + "settings.ini"));
}

TEST_F(FoldersTest, FoldersFollowTheirVariablesOrElseTheHomeFolderMissingOnesMadePrivate) {
    ScopedEnv deep("XDG_DATA_HOME", root / "a/b/c");
    EXPECT_EQ(DefaultDataFolder(), root / "a/b/c/Ostrel/Quillon");
    EXPECT_EQ(FileMode(root / "a"), 0700u);
    EXPECT_EQ(FileMode(root / "a/b/c/Ostrel/Quillon"), 0700u);

    ::chmod((root / "a").c_str(), 0755);
    ::chmod((root / "a/b/c/Ostrel/Quillon").c_str(), 0750);
    EXPECT_EQ(DefaultDataFolder(), root / "a/b/c/Ostrel/Quillon");
    EXPECT_EQ(FileMode(root / "a"), 0755u);
    EXPECT_EQ(FileMode(root / "a/b/c/Ostrel/Quillon"), 0750u);

    ScopedEnv xdgConfig("XDG_CONFIG_HOME", root / "cfg/");
    EXPECT_EQ(ConfigFolder(), root / "config");  // the program's own variable first

    ScopedEnv home("HOME", root / "home");
    ScopedEnv relative("XDG_DATA_HOME", std::string("relative/data"));
    ScopedEnv noConfig("QUILLON_CONFIG_DIR", std::nullopt);
    EXPECT_EQ(ConfigFolder(), root / "cfg/Ostrel/Quillon");
    ScopedEnv noXdgConfig("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(DefaultDataFolder(), root / "home/.local/share/Ostrel/Quillon");
    EXPECT_EQ(ConfigFolder(), root / "home/.config/Ostrel/Quillon");
    EXPECT_EQ(FoldersFile(), root / "home/.config/Ostrel/Quillon/folders.ini");
}

}  // namespace
