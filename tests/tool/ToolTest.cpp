// quillon-tool paths, settings, log and cleanup, the usage errors of every command, and the
// commands of its manual page.
#include <sys/stat.h>
#include <utime.h>

#include <set>
#include <sstream>

#include "ToolRun.h"
#include "base/IniFile.h"

namespace {

class ToolTest : public ToolRun {};

TEST_F(ToolTest, PathsShowsTheFoldersAndWhatIsMissingAndLogAppendsToTodaysCallerLog) {
    ASSERT_EQ(Run({"paths"}), kToolOk);
    for (std::string line : {"data folder:       " + dataFolder + "\n",
                             "recordings folder: " + dataFolder + "Recordings/  (missing)\n",
                             "logs folder:       " + dataFolder + "Logs/  (missing)\n",
                             "settings file:     " + dataFolder + "settings.ini  (missing)\n"}) {
        EXPECT_NE(out.find(line), std::string::npos) << out;
    }
    EXPECT_EQ(Run({"log", "Incoming", "call"}), kToolFailed);  // no Logs folder yet
    EXPECT_NE(err.find("cannot write the caller log"), std::string::npos);

    ASSERT_EQ(::mkdir((dataFolder + "Logs").c_str(), 0700), 0);
    ASSERT_EQ(Run({"paths"}), kToolOk);
    EXPECT_NE(out.find("logs folder:       " + dataFolder + "Logs/\n"), std::string::npos);
    ASSERT_EQ(Run({"log", "Incoming", "call", "555"}), kToolOk);
    // Today's log, with the words as one entry.
    EXPECT_TRUE(ReadFolder(dataFolder + "Logs").ends_with(" Incoming call 555")) << err;
}

TEST_F(ToolTest, SettingsSetAndGetUseTheTypedEncodingsAndDefaultsInTheFileGivenOrTheProgramsOwn) {
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
    // A missing key shows the default through the type's parser.
    ASSERT_EQ(Run({"settings", "get", "settings", "deletefiledays", "--type", "int", "--default",
                   "30", "--file", file}),
              kToolOk);
    EXPECT_EQ(out, "30\n");
    ASSERT_EQ(Run({"settings", "get", "settings", "cidflash", "--type", "bool", "--file", file}),
              kToolOk);
    EXPECT_EQ(out, "false\n");
    // Without a file, the program's own.
    ASSERT_EQ(Run({"settings", "set", "settings", "device", "2", "--type", "int"}), kToolOk);
    EXPECT_EQ(ReadProfileValue(dataFolder + "settings.ini", "settings", "device"), "2");
    EXPECT_EQ(Run({"settings", "set", "s", "k", "v", "--file", root / "missing/s.ini"}),
              kToolFailed);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
}

TEST_F(ToolTest, BadArgumentsAreUsageErrors) {
    const ToolArgs rows[] = {
        {},
        {"frobnicate"},
        {"paths", "extra"},
        {"settings"},
        {"settings", "get", "settings"},
        {"settings", "set", "settings", "key", "12x", "--type", "int"},
        {"settings", "set", "settings", "key", "yes", "--type", "bool"},
        {"settings", "set", "settings", "key", "loud", "--type", "db"},
        {"settings", "set", "settings", "key", "1", "--type", "float"},
        {"settings", "set", "settings", "key", "1", "--default", "2"},
        {"settings", "get", "settings", "key", "--default", "x", "--type", "int"},
        // Names that would not read back as themselves.
        {"settings", "set", "settings", "[evil]", "x"},
        {"settings", "get", "set]tings", "key"},
        {"log"},
        {"cleanup", "--now"},
        {"lines", "extra"},
        {"lines", "--line", "Kitchen"},  // a port only
        {"watch", "extra"},
        {"watch", "--seconds", "0"},
        {"watch", "--line"},
        {"mail", "a.wav"},
        {"mail", "--to", "alice@example.org"},
        {"mail", "--to", "alice@example.org", "--cc", "a.wav"},
    };
    for (const ToolArgs& args : rows) {
        EXPECT_EQ(Run(args), kToolUsage) << (args.empty() ? "" : args.back());
        EXPECT_NE(err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(Exists(dataFolder + "settings.ini"));
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
                       "old.wav\n1 recording would be deleted (older than 30 days)\n");
    EXPECT_TRUE(Exists(recordings + "old.wav"));

    // The age comes from the program's settings file.
    ASSERT_TRUE(WriteProfileString(dataFolder + "settings.ini", "settings", "deletefiledays", "0"));
    ASSERT_EQ(Run({"cleanup"}), kToolOk);
    EXPECT_EQ(out, "deleted " + recordings + "old.wav\n1 recording deleted (older than 1 day)\n");
    EXPECT_FALSE(Exists(recordings + "old.wav"));
    EXPECT_TRUE(Exists(recordings + "new.wav"));
}

TEST_F(ToolTest, TheManualPageHasEveryCommandOfTheUsageInPlainRoff) {
    ASSERT_EQ(Run({"--help"}), kToolOk);
    std::set<std::string> commands;
    std::istringstream usage(out);
    std::string line;
    std::getline(usage, line);  // "usage: quillon-tool COMMAND [ARGS]"
    while (std::getline(usage, line)) {
        // Forms start in the third column, each with its command; what it does sits further in.
        if (line.size() > 2 && line[2] != ' ') {
            commands.insert(line.substr(2, line.find(' ', 2) - 2));
        }
    }
    EXPECT_EQ(commands.size(), 19u);

    std::ostringstream manual;
    PrintCommandsManual(manual);
    std::string roff = "\n" + manual.str();
    for (const std::string& command : commands) {
        EXPECT_NE(roff.find("\n.SS " + command + "\n"), std::string::npos) << command;
    }
    EXPECT_NE(roff.find("\n.B quillon\\-tool watch [\\-\\-line NAME|PATH] "
                        "[\\-\\-record\\-calls] [\\-\\-seconds N]\n"),
              std::string::npos);
    // Every hyphen is a minus sign, and only the page's own requests start a line.
    for (std::size_t at = roff.find('-'); at != std::string::npos; at = roff.find('-', at + 1)) {
        EXPECT_EQ(roff[at - 1], '\\') << roff.substr(at - 20, 40);
    }
    std::istringstream lines(manual.str());
    while (std::getline(lines, line)) {
        if (line.starts_with('.') || line.starts_with('\'')) {
            EXPECT_TRUE(line.starts_with(".SS ") || line.starts_with(".B ") || line == ".nf" ||
                        line == ".fi" || line == ".br")
                << line;
        }
    }
}

}  // namespace
