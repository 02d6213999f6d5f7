// quillon-tool watch and lines: what the watch prints of calls on a simulated line moved on by a
// test clock, recording from the second ring when asked, and the commands' errors.
#include <QCoreApplication>
#include <filesystem>
#include <optional>
#include <set>

#include "ToolRun.h"
#include "audio/files/WaveReaders.h"
#include "base/IniFile.h"
#include "recorder/RecordingFiles.h"
#include "support/TempAppState.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLine.h"
#include "tool/LineWatch.h"
#include "tool/ToolEventLoop.h"

namespace {

using Lines = std::vector<std::string>;
using Recordings = std::set<std::string>;
using Kind = SimulatedCallerId::Kind;
constexpr std::int64_t kMs = 1'000'000;

class LineWatchTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureToolApplication(); }
    void TearDown() override {
        watch.reset();
        session.reset();
    }

    void Start(bool recordCalls) {
        // Recorded from the answer, and left as recorded.
        ASSERT_TRUE(WriteProfileString(app.settingsFile, "settings", "startprompt", "false"));
        ASSERT_TRUE(WriteProfileString(app.settingsFile, "settings", "recordalc", "false"));
        session.emplace(app, clock);
        watch.emplace(app, *session, printed, recordCalls);
        ASSERT_TRUE(session->OpenLine(true));
    }
    // Moves the line on, delivering what each 10 ms step posts.
    void Run(std::int64_t milliseconds) {
        for (std::int64_t t = 0; t < milliseconds; t += 10) {
            clock.Advance(10 * kMs);
            QCoreApplication::sendPostedEvents();
        }
    }
    void Do(bool taken, std::int64_t milliseconds) {
        ASSERT_TRUE(taken);
        Run(milliseconds);
    }
    // What was printed since the last look, each line without its time of day.
    Lines Printed() {
        Lines lines;
        std::istringstream text(printed.str());
        printed.str("");
        for (std::string line; std::getline(text, line);) {
            EXPECT_TRUE(line.size() > 9 && line[2] == ':' && line[5] == ':' && line[8] == ' ')
                << line;
            lines.push_back(line.substr(9));
        }
        return lines;
    }
    // The recordings made so far, by their full names.
    Recordings RecordingFiles() const {
        Recordings files;
        for (const std::string& name : ListRecordings(app.recordingsFolder)) {
            files.insert(app.recordingsFolder + name);
        }
        return files;
    }
    static std::int64_t Frames(const std::string& path) {
        LSoundSourcePtr recorded = OpenWaveFile(path);
        return recorded && !recorded->IsInvalid() ? recorded->GetLength() : -1;
    }

    TempDir dir;
    AppState app = TempAppState(dir);
    TestClock clock;
    std::shared_ptr<SimulatedLine> line = SimulatedLine::Create(clock);
    LineProviderRegistration registration{"Watched",
                                          [line = line] { return line->CreateProvider(); }};
    LineProvidersInUse inUse{{"Watched"}};
    std::ostringstream printed;
    std::optional<RecorderSession> session;
    std::optional<LineWatch> watch;
};

TEST_F(LineWatchTest, RingsCallerIdAndCallStatesArePrintedAndNoCallIsAnswered) {
    Start(false);
    Do(line->Ring({Kind::Number, "5551234", "SMITH J"}), 13000);
    Do(line->FarPartyHangsUp(), 100);
    Do(line->Ring({Kind::Blocked, "5550000", ""}), 7000);
    EXPECT_FALSE(line->IsOffHook());
    Do(line->FarPartyHangsUp(), 100);
    EXPECT_EQ(Printed(), (Lines{"call offering", "ring 1", "ring 2", "caller ID: 5551234 SMITH J",
                                "ring 3", "call disconnected (not answered)", "call idle",
                                "call offering", "ring 1", "ring 2", "caller ID: Blocked",
                                "call disconnected (not answered)", "call idle"}));
    EXPECT_TRUE(std::filesystem::is_empty(app.recordingsFolder));
}

TEST_F(LineWatchTest, WithRecordCallsEachCallIsRecordedFromItsSecondRingUntilItEnds) {
    Start(true);
    Do(line->Ring({Kind::Number, "5551234", "SMITH J"}), 7000);
    EXPECT_EQ(line->State(), SimulatedCallState::Connected);
    Do(line->SendDigits("5"), 500);
    Do(line->SendFaxTone(), 1000);  // the recorder drops a fax call
    const Recordings first = RecordingFiles();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(Printed(),
              (Lines{"call offering", "ring 1", "ring 2", "caller ID: 5551234 SMITH J",
                     "answering to record the call", "call connected",
                     "recording started: " + *first.begin(), "digit 5", "fax calling tone",
                     "call idle", "recording finished: " + *first.begin()}));
    // A call still recorded when the watch ends is ended by the shutdown, its recording with it.
    Do(line->Ring({Kind::Number, "5550000", ""}), 8000);
    Recordings both = RecordingFiles();
    ASSERT_EQ(both.size(), 2u);
    both.erase(*first.begin());
    const std::string second = *both.begin();
    session->Shutdown();
    watch->End();
    watch.reset();
    session.reset();
    EXPECT_EQ(Printed(), (Lines{"call offering", "ring 1", "ring 2", "caller ID: 5550000",
                                "answering to record the call", "call connected",
                                "recording started: " + second, "recording finished: " + second}));
    EXPECT_GT(Frames(*first.begin()), 8000);  // from the answer to the fax tone's detection
    EXPECT_GT(Frames(second), 8000);
}

class WatchCommandTest : public ToolRun {
protected:
    void SetUp() override {
        // The Modem provider looks at a port that is not there, never at this machine's.
        std::filesystem::create_directories(dataFolder);
        ASSERT_TRUE(WriteProfileString(dataFolder + "settings.ini", "settings", "modempath",
                                       root / "ttyNone"));
    }
};

TEST_F(WatchCommandTest, WithoutAVoiceLineTheWatchEndsAtOnceAndAnUnknownNameIsAUsageError) {
    EXPECT_EQ(Run({"watch", "--seconds", "3600"}), kToolFailed);
    EXPECT_NE(err.find("quillon-tool: no line device that carries voice was found; "),
              std::string::npos)
        << err;
    EXPECT_NE(err.find(" quillon-tool lines shows what was found\n"), std::string::npos);
    // Its start and end in the caller log, as the desktop program's.
    const std::string log = ReadFolder(dataFolder + "Logs");
    EXPECT_NE(log.find(" Quillon Recorder Run\r\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with(" Quillon Recorder Exit")) << log;

    EXPECT_EQ(Run({"watch", "--line", "Kitchen"}), kToolUsage);
    EXPECT_NE(err.find("quillon-tool: no line device is called \"Kitchen\" (there are no line "
                       "devices; quillon-tool lines shows what was found)\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("usage: quillon-tool watch "), std::string::npos);
}

TEST_F(WatchCommandTest, LinesListsTheDevicesOfTheRealAndSimulatedProvidersAndTheModemPorts) {
    ASSERT_EQ(Run({"lines"}), kToolOk) << err;
    EXPECT_TRUE(out.starts_with("Line devices (quillon and quillon-tool watch):\n")) << out;
    EXPECT_NE(out.find("\nModem ports:\n"), std::string::npos);
    EXPECT_TRUE(out.ends_with(
        "\nSimulated line devices (quillon --simulate):\n  0  Quillon Simulated Line\n"))
        << out;
}

}  // namespace
