// Installing from an installation file into a temporary home, and removing it again.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "audio/files/LMp3Reader.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "base/IniFile.h"
#include "base/PosixFile.h"
#include "settings/Folders.h"
#include "setup/Installation.h"
#include "setup/InstallationFile.h"
#include "setup/PayloadTable.h"
#include "setup/Removal.h"
#include "setup/SetupTestHome.h"
#include "support/QtWidgetsTestApp.h"
#include "ui/MessageBox.h"

namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] = "#!/bin/sh\nexit 0\n";

// Level in dB of everything `source` delivers (16-bit full scale at 0 dB).
double LevelDb(const LSoundSourcePtr& source) {
    std::vector<std::int32_t> block(4000);
    double sum = 0;
    std::int64_t count = 0;
    while (source->GetPosition() < source->GetLength()) {
        source->Read(block.data(), 4000);
        for (std::int32_t sample : block) {
            sum += double(sample) * sample;
        }
        count += 4000;
    }
    return 10 * std::log10(sum / count / (32768.0 * 16 * 32768 * 16));
}

// Every file under `folder`, relative to it, links included.
std::set<std::string> FilesUnder(const std::string& folder) {
    std::set<std::string> files;
    std::error_code missing;
    for (const auto& entry : fs::recursive_directory_iterator(folder, missing)) {
        if (!entry.is_directory()) {
            files.insert(fs::relative(entry.path(), folder));
        }
    }
    return files;
}

class SetupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Five quiet tones, encoded once for every test: prompt n at 300 + 100 n Hz.
        mp3s = new TempDir;
        for (int n = 0; n < 5; ++n) {
            const std::string wav = *mp3s / "tone.wav";
            {
                LSoundSinkPtr writer = CreateWaveWriter(wav, 8000, 0, 16, 1);
                std::vector<std::int32_t> samples(4000);
                for (std::size_t i = 0; i < samples.size(); ++i) {
                    samples[i] = static_cast<std::int32_t>(
                        3000 * 16 * std::sin(2 * M_PI * (300 + 100 * n) * double(i) / 8000));
                }
                writer->Write(samples.data(), 4000);
            }
            const std::string mp3 = *mp3s / (std::to_string(n) + ".mp3");
            ASSERT_EQ(std::system(("lame --quiet -b 32 '" + wav + "' '" + mp3 + "'").c_str()), 0);
        }
    }
    static void TearDownTestSuite() { delete mp3s; }

    SetupTest() {
        QtWidgetsTestApp();
        SetMessageBoxHook([this](const MessageRequest& request) {
            boxes.push_back(std::string(request.caption));
            return kAnswerOk;
        });
        WriteFile(user.dir / "quillon", kProgram);
        WriteFile(user.dir / "index.html", "<html>index</html>");
        WriteFile(user.dir / "style.css", "body {}");
        std::vector<std::string> entries{user.dir / "quillon", user.dir / "index.html",
                                         user.dir / "style.css"};
        for (int n = 0; n < 5; ++n) {
            entries.push_back(*mp3s / (std::to_string(n) + ".mp3"));
        }
        EXPECT_EQ(WriteInstallationFile(installer, entries), "");
        ::mkdir(user.desktop.c_str(), 0700);
    }
    ~SetupTest() override { SetMessageBoxHook({}); }

    SetupRequest Request(const std::string& program, QStringList arguments) {
        SetupRequest request;
        request.programFile = program;
        request.arguments = std::move(arguments);
        request.payload = {"quillon", "help/index.html", "help/style.css", "0.mp3",
                           "1.mp3",   "2.mp3",           "3.mp3",          "4.mp3"};
        request.acceptTerms = [this] {
            ++termsShown;
            return agree;
        };
        request.confirmRemoval = [this](QWidget*) { return answer; };
        request.start = [this](const std::string& started, const QStringList& startArguments) {
            starts.push_back(started + " " + startArguments.join(' ').toStdString());
            return true;
        };
        return request;
    }

    int Install(QStringList arguments = {}) {
        return RunInstallation(Request(installer, arguments));
    }
    int Remove(QStringList arguments = {QStringLiteral("/uninstall")}) {
        return RunRemoval(Request(folder + "uninst", arguments));
    }

    static TempDir* mp3s;
    SetupTestHome user;
    const std::string installer = user.dir / "quillon-setup";
    const std::string folder = user.home + "/.local/share/Ostrel/Quillon/";
    bool agree = true;
    std::optional<bool> answer = false;
    int termsShown = 0;
    std::vector<std::string> boxes;
    std::vector<std::string> starts;
};

TempDir* SetupTest::mp3s = nullptr;

TEST_F(SetupTest, ADamagedInstallationFileSaysInstallErrorAndWritesNothing) {
    const std::string good = ReadFile(installer);
    // In the program, in a help page, in the last prompt.
    for (std::size_t at : {std::size_t{3}, sizeof kProgram + 5, good.size() - 4 * 10 - 10}) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x20);
        WriteFile(installer, bad);
        boxes.clear();
        EXPECT_EQ(Install(), 1) << at;
        EXPECT_EQ(Install({QStringLiteral("--yes")}), 1) << at;
        EXPECT_EQ(boxes, std::vector<std::string>{"Install Error"}) << at;
        EXPECT_EQ(FilesUnder(user.home), std::set<std::string>()) << at;
    }
    EXPECT_EQ(termsShown, 0);
    EXPECT_TRUE(starts.empty());
}

TEST_F(SetupTest, RefusingTheTermsInstallsNothing) {
    agree = false;
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(termsShown, 1);
    EXPECT_EQ(FilesUnder(user.home), std::set<std::string>());
}

TEST_F(SetupTest, AGoodFileInstallsTheProgramPromptsAndDesktopEntries) {
    EXPECT_EQ(Install({QStringLiteral("--yes")}), 0);
    EXPECT_EQ(termsShown, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(starts, std::vector<std::string>{folder + "quillon /install"});
    EXPECT_EQ(ReadFile(folder + "quillon"), kProgram + std::string(4, '\0'));
    EXPECT_EQ(ReadFile(folder + "uninst"), kProgram + std::string("\x0F\x0F\xF0\xF0"));
    EXPECT_EQ(FileMode(folder + "uninst"), 0755u);
    EXPECT_EQ(ReadFile(folder + "help/index.html"), "<html>index</html>");
    EXPECT_EQ(ReadFile(folder + "help/style.css"), "body {}");

    for (PromptSlot slot : kPromptSlots) {
        EXPECT_FALSE(Exists(folder + PromptEntry(slot)));
        for (const std::string& file :
             {PromptFile(folder, slot), DefaultPromptFile(folder, slot)}) {
            WaveFormatRecord format;
            LSoundSourcePtr wav = OpenWaveFile(file, &format);
            ASSERT_TRUE(wav && !wav->IsInvalid()) << file;
            EXPECT_EQ(format.sampleRate, 8000u);
            EXPECT_EQ(format.bitsPerSample, 16u);
            EXPECT_EQ(format.channels, 1u);
            const double louder = LevelDb(wav) - LevelDb(OpenMp3File(*mp3s / PromptEntry(slot)));
            EXPECT_NEAR(louder, 6.0, 0.3) << file;
        }
    }
    const std::string folders = user.home + "/.config/Ostrel/Quillon/folders.ini";
    const std::string bare = folder.substr(0, folder.size() - 1);
    for (auto [value, expected] : {std::pair{"ProgramFiles", bare},
                                   {"DataFiles", bare},
                                   {"Recordings", folder + "Recordings"},
                                   {"Logs", folder + "Logs"}}) {
        EXPECT_EQ(ReadProfileString(folders, "Folders", value, ""), expected);
        EXPECT_TRUE(fs::is_directory(expected));
    }
    EXPECT_EQ(ReadProfileString(folder + "uninstall.ini", "Uninstall", "UninstallString", ""),
              folder + "uninst");
    // The menu entry and the shortcut start the installed program (their form: DesktopEntriesTest).
    for (const char* entry : {"/.local/share/applications/ostrel-quillon-recorder.desktop",
                              "/Schreibtisch/quillon-recorder.desktop"}) {
        EXPECT_NE(ReadFile(user.home + entry).find("Exec=\"" + folder + "quillon\""),
                  std::string::npos);
    }
}

TEST_F(SetupTest, TheUninstallerRunsFromATemporaryCopy) {
    ASSERT_EQ(Install({QStringLiteral("--yes")}), 0);
    starts.clear();
    EXPECT_EQ(Remove({}), 0);
    ASSERT_EQ(starts.size(), 1u);
    const std::string copy = starts[0].substr(0, starts[0].find(' '));
    EXPECT_EQ(ParentFolder(ParentFolder(copy)), user.dir.Path());
    EXPECT_EQ(starts[0], copy + " /uninstall");
    EXPECT_EQ(ReadFile(copy), ReadFile(folder + "uninst"));
    EXPECT_TRUE(Exists(folder + "quillon"));  // nothing removed yet
    // Once its maker has ended (as this one, whose process is gone), the copy goes with the
    // removal it ran.
    const std::string ended = user.dir / ".quillon-uninst-2147483646-1-AbC123";
    fs::create_directory(ended);
    WriteFile(ended + "/uninst", "copy");
    EXPECT_EQ(RunRemoval(Request(ended + "/uninst", {QStringLiteral("/uninstall")})), 0);
    EXPECT_FALSE(Exists(ended));
    EXPECT_TRUE(Exists(copy));  // its maker still runs
    EXPECT_FALSE(Exists(folder + "quillon"));
}

TEST_F(SetupTest, RemovalTakesWhatWasMadeAndTheRecordingsOnlyWhenTicked) {
    struct Row {
        std::optional<bool> answer;
        QStringList arguments;
        bool removed;
        bool recordingsGo;
    };
    const QStringList uninstall{QStringLiteral("/uninstall")};
    const QStringList yes{QStringLiteral("--yes")};
    for (const Row& row :
         {Row{std::nullopt, uninstall, false, false}, Row{false, uninstall, true, false},
          Row{true, uninstall, true, true}, Row{std::nullopt, yes, true, false},
          Row{std::nullopt, yes + QStringList{"--delete-recordings"}, true, true}}) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        ASSERT_EQ(Install({QStringLiteral("--yes")}), 0);
        // The user's own files beside the program's, and recordings in a folder of their own.
        const std::string music = user.home + "/Music/";
        fs::create_directories(music);
        WriteProfileString(user.home + "/.config/Ostrel/Quillon/folders.ini", "Folders",
                           "Recordings", music);
        WriteFile(music + "song.mp3", "mine");
        WriteFile(music + "2026-01-02 10-00-00 555.wav", "call");
        WriteFile(folder + "Logs/Log 2026-01-02.txt", "log");
        WriteFile(folder + "settings.ini", "[settings]\n");
        WriteFile(folder + "bgalc.dat", "");

        answer = row.answer;
        EXPECT_EQ(Remove(row.arguments), 0);
        std::set<std::string> left{"Music/song.mp3"};
        if (!row.recordingsGo) {
            left.insert("Music/2026-01-02 10-00-00 555.wav");
            left.insert(".local/share/Ostrel/Quillon/Logs/Log 2026-01-02.txt");
        }
        if (!row.removed) {
            EXPECT_TRUE(Exists(folder + "quillon"));
        } else {
            EXPECT_EQ(FilesUnder(user.home), left);
            // The program's folders went with their files; the user's stays.
            EXPECT_EQ(fs::exists(user.home + "/.local/share/Ostrel"), !row.recordingsGo);
            EXPECT_FALSE(fs::exists(user.home + "/.config/Ostrel"));
            EXPECT_TRUE(fs::exists(music));
            // A second removal finds nothing and ends as well.
            EXPECT_EQ(Remove(row.arguments), 0);
            EXPECT_EQ(FilesUnder(user.home), left);
        }
        fs::remove_all(user.home);
        fs::create_directories(user.desktop);
    }
}

}  // namespace
