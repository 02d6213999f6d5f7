// quillon-tool run in-process: each subcommand's output and effect, and usage errors.
#include "tool/Tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <sstream>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

class ToolTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv data{"XDG_DATA_HOME", root / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", root / "config"};
    std::string dataFolder = root / "data/Ostrel/Quillon/";
    std::string out;
    std::string err;

    int Run(std::vector<std::string> args) {
        std::ostringstream o;
        std::ostringstream e;
        int code = RunTool(args, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
};

TEST_F(ToolTest, PathsShowsTheFoldersAndWhatIsMissing) {
    ASSERT_EQ(Run({"paths"}), kToolOk);
    EXPECT_NE(out.find("data folder:       " + dataFolder + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("recordings folder: " + dataFolder + "Recordings/  (missing)\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("logs folder:       " + dataFolder + "Logs/  (missing)\n"),
              std::string::npos);
    EXPECT_NE(out.find("settings file:     " + dataFolder + "settings.ini  (missing)\n"),
              std::string::npos);
    ::mkdir((dataFolder + "Logs").c_str(), 0700);
    ASSERT_EQ(Run({"paths"}), kToolOk);
    EXPECT_NE(out.find("logs folder:       " + dataFolder + "Logs/\n"), std::string::npos);
}

TEST_F(ToolTest, SettingsSetAndGetUseTheTypedEncodings) {
    std::string file = root / "s.ini";
    struct Row {
        const char* type;
        const char* given;
        const char* stored;
        const char* shown;
    } rows[] = {
        {"int", "-42", "-42", "-42"},
        {"bool", "TRUE", "true", "true"},
        {"db", "-6", "-6dB", "-6dB"},
        {"db", "--dB", "--dB", "--dB"},
        {"duration", "0:00:02.5", "0:00:02.5000", " 0:00:02.5000"},
        {"time", "7:05", "07:05:00", "07:05:00"},
        {"datetime", "05/12/26-14:03:22", "05/12/26-14:03:22", "05/12/26-14:03:22"},
        {"text", "a b=c", "a b=c", "a b=c"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(Run({"settings", "set", "settings", "key", row.given, "--type", row.type,
                       "--file", file}),
                  kToolOk)
            << err;
        EXPECT_EQ(ReadProfileValue(file, "settings", "key"), row.stored) << row.type;
        ASSERT_EQ(Run({"settings", "get", "SETTINGS", "KEY", "--type", row.type, "--file", file}),
                  kToolOk);
        EXPECT_EQ(out, std::string(row.shown) + "\n") << row.type;
    }
}

TEST_F(ToolTest, SettingsGetOfAMissingKeyShowsTheDefaultThroughTheParser) {
    std::string file = root / "s.ini";
    ASSERT_EQ(Run({"settings", "get", "settings", "deletefiledays", "--type", "int", "--default",
                   "30", "--file", file}),
              kToolOk);
    EXPECT_EQ(out, "30\n");
    ASSERT_EQ(Run({"settings", "get", "settings", "cidflash", "--type", "bool", "--file", file}),
              kToolOk);
    EXPECT_EQ(out, "false\n");
    ASSERT_EQ(Run({"settings", "get", "settings", "x", "--file", file, "--default", "hello"}),
              kToolOk);
    EXPECT_EQ(out, "hello\n");
}

TEST_F(ToolTest, SettingsWithoutFileUseTheResolvedSettingsFile) {
    ASSERT_EQ(Run({"settings", "set", "settings", "device", "2", "--type", "int"}), kToolOk);
    EXPECT_EQ(ReadProfileValue(dataFolder + "settings.ini", "settings", "device"), "2");
}

TEST_F(ToolTest, BadArgumentsAreUsageErrors) {
    std::string file = root / "s.ini";
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"paths", "extra"},
        {"settings"},
        {"settings", "get", "settings"},
        {"settings", "set", "settings", "key"},
        {"settings", "set", "settings", "key", "12x", "--type", "int"},
        {"settings", "set", "settings", "key", "99999999999", "--type", "int"},
        {"settings", "set", "settings", "key", "yes", "--type", "bool"},
        {"settings", "set", "settings", "key", "loud", "--type", "db"},
        {"settings", "set", "settings", "key", "soon", "--type", "duration"},
        {"settings", "set", "settings", "key", "1", "--type", "float"},
        {"settings", "set", "settings", "key", "1", "--default", "2"},
        {"settings", "get", "settings", "key", "--type"},
        {"settings", "get", "settings", "key", "--default", "x", "--type", "int"},
        {"settings", "get", "", "key"},
        {"settings", "delete", "settings", "key"},
        {"settings", "get", "settings", "key", "--colour", "red"},
        {"log"},
        {"cleanup", "--now"},
    };
    for (const auto& args : bad) {
        std::vector<std::string> withFile = args;
        EXPECT_EQ(Run(withFile), kToolUsage) << (args.empty() ? "" : args[0]);
        EXPECT_NE(err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(Exists(file));
}

TEST_F(ToolTest, SettingsSetReportsAnUnwritableFile) {
    EXPECT_EQ(Run({"settings", "set", "s", "k", "v", "--file", root / "missing/s.ini"}),
              kToolFailed);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
}

TEST_F(ToolTest, LogAppendsToTodaysCallerLog) {
    EXPECT_EQ(Run({"log", "Incoming", "call"}), kToolFailed);  // no Logs folder yet
    EXPECT_NE(err.find("cannot write the caller log"), std::string::npos);
    ASSERT_EQ(::mkdir((dataFolder + "Logs").c_str(), 0700), 0);
    ASSERT_EQ(Run({"log", "Incoming", "call", "555"}), kToolOk);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char name[64];
    std::strftime(name, sizeof name, "Log %Y-%m-%d.txt", &local);
    std::string content = ReadFile(dataFolder + "Logs/" + name);
    EXPECT_EQ(content.rfind("Caller Log for ", 0), 0u);
    EXPECT_EQ(content.substr(content.size() - 18), " Incoming call 555");
}

TEST_F(ToolTest, CleanupDeletesOldRecordingsOrListsThem) {
    ASSERT_EQ(Run({"cleanup"}), kToolOk);
    EXPECT_NE(out.find("no recordings folder"), std::string::npos);

    std::string recordings = dataFolder + "Recordings/";
    ASSERT_EQ(::mkdir(recordings.c_str(), 0700), 0);
    WriteFile(recordings + "old.wav", "RIFF");
    WriteFile(recordings + "new.wav", "RIFF");
    utimbuf old{};
    old.actime = old.modtime = std::time(nullptr) - 40 * 86400;
    ASSERT_EQ(::utime((recordings + "old.wav").c_str(), &old), 0);

    ASSERT_EQ(Run({"cleanup", "--dry-run"}), kToolOk);
    EXPECT_EQ(out, "would delete " + recordings +
                       "old.wav\n"
                       "1 recording would be deleted (older than 30 days)\n");
    EXPECT_TRUE(Exists(recordings + "old.wav"));

    ASSERT_TRUE(
        WriteProfileString(dataFolder + "settings.ini", "settings", "deletefiledays", "60"));
    ASSERT_EQ(Run({"cleanup"}), kToolOk);
    EXPECT_EQ(out, "0 recordings deleted (older than 60 days)\n");
    ASSERT_TRUE(WriteProfileString(dataFolder + "settings.ini", "settings", "deletefiledays", "0"));
    ASSERT_EQ(Run({"cleanup"}), kToolOk);
    EXPECT_EQ(out, "deleted " + recordings +
                       "old.wav\n"
                       "1 recording deleted (older than 1 day)\n");
    EXPECT_FALSE(Exists(recordings + "old.wav"));
    EXPECT_TRUE(Exists(recordings + "new.wav"));
}

}  // namespace
