// Whole calls through the recorder on a simulated line: what was heard, recorded and logged.
#include "simulation/Simulation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"
#include "base/IniFile.h"
#include "simulation/ScenarioRun.h"
#include "support/FifoDeadline.h"
#include "support/QtTestApp.h"
#include "support/TempAppState.h"

namespace {

using Names = std::vector<std::string>;

constexpr int kRate = 8000;

// A WAV file's samples, on the readers' scale of 16 to a 16-bit step.
std::vector<std::int32_t> ReadWave(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    return ReadAll(*source, source->GetLength());
}

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override { QtTestApp(); }

    // Runs the scenario; every expectation in it should hold, unless `holds` says otherwise.
    SimulationResult Run(const std::string& text, bool holds = true) {
        SimulationOptions options;
        options.baseFolder = dir.Path();
        options.prepare = prepare;
        return RunScenarioText(app, text, options, summary, holds);
    }
    static Names Heard(const SimulationResult& result) {
        Names what;
        for (const HeardSound& sound : result.heard) {
            what.push_back(sound.what);
        }
        return what;
    }
    // A file of `samples` (16-bit values) after `silence` seconds.
    void WriteVoice(const char* name, const std::vector<std::int32_t>& samples, int silence = 0) {
        std::vector<std::int16_t> pcm(static_cast<std::size_t>(silence * kRate));
        pcm.insert(pcm.end(), samples.begin(), samples.end());
        WriteFile(dir / name, Pcm16File(1, kRate, pcm));
    }
    // Takes the recordings folder away: the recorder makes it again when it records.
    void RemoveRecordings() { std::filesystem::remove_all(dir / "Recordings"); }

    TempDir dir;
    AppState app = TempAppState(dir);
    std::function<void(AppState&)> prepare;
    std::string summary;
};

TEST_F(ScenarioTest, RecordingHoldsBothPartiesForTheTimeRecorded) {
    WriteVoice("far.wav", Sine(440, kRate, 6 * kRate, 8000));
    WriteVoice("near.wav", Sine(1000, kRate, 5 * kRate, 8000), 7);
    // Recorded from the answer at 2 s to the stop at 16 s, less the 0.4 s cut at the end.
    SimulationResult result = Run(R"(
0    set startprompt false
0    set endprompt false
0    set recordalc false
0    ring 5551234
1    say far.wav
1    near-say near.wav
2    user record
16   user stop
18   expect call idle
18   expect length 1 13.6
19   quit
)");
    ASSERT_EQ(result.recordings.size(), 1u) << summary;
    // Both parties start when the line is taken, as the recording does: far 0-6 s, near 7-12 s.
    const std::vector<std::int32_t> recorded = ReadWave(result.recordings[0]);
    const auto tone = [&](double hz, int from, int to) {
        return ToneAmplitude(recorded, hz, kRate, from * kRate, to * kRate) / (8000 * 16);
    };
    EXPECT_GT(tone(440, 1, 5), 0.5);
    EXPECT_LT(tone(1000, 1, 5), 0.05);
    EXPECT_GT(tone(1000, 8, 11), 0.5);
    EXPECT_LT(tone(440, 8, 11), 0.05);
    EXPECT_TRUE(result.notifications.problems.empty()) << summary;
}

TEST_F(ScenarioTest, ARecordingThatHoldsNoSoundIsToldAtOnce) {
    SimulationResult result = Run(R"(
0    set startprompt false
0    ring 5551234 "SMITH J"
2    user record
12   hangup-far
13   expect call idle
14   quit
)");
    const std::string told =
        "The recording of the call from 5551234 SMITH J holds no sound: check the line's audio";
    EXPECT_EQ(result.notifications.problems, Names{told}) << summary;
    EXPECT_NE(ReadFolder(app.logsFolder).find(told), std::string::npos) << summary;
}

TEST_F(ScenarioTest, RecordPressedWhileIdleWithBothAnnouncementsAndTones) {
    WriteVoice("far.wav", Noise(40 * kRate, 300));  // quiet: levelling raises it
    SimulationResult result = Run(R"(
0    ring 5551234 "SMITH J"
1    say far.wav
2    user record
6    expect heard "Start Prompt"
6    expect mode record
36   expect beeps 2
37   user record-toggle
41   expect heard "End Prompt"
42   expect call idle
42   expect mode idle
43   quit
)");
    ASSERT_EQ(Heard(result), (Names{"Start Prompt", "beep", "beep", "End Prompt"})) << summary;
    double gap = static_cast<double>(result.heard[2].frame - result.heard[1].frame) / kRate;
    EXPECT_NEAR(gap, 15.0, 0.3);
    ASSERT_EQ(result.recordings.size(), 1u);
    // Levelled once the call ended: the quiet caller is louder in the file; the queue is empty.
    const std::vector<std::int32_t> levelled = ReadWave(result.recordings[0]);
    EXPECT_GT(Rms(levelled, 0, levelled.size()), 4 * 300 * 0.35 * 16);
    EXPECT_EQ(ReadProfileString(app.dataFolder + "bgalc.dat", "bgalc", "count", "0"), "0");
    EXPECT_GT(result.notifications.levels, 100);
}

TEST_F(ScenarioTest, RulesWhoseScenariosSayAllThatIsExpectedAndStepsThatCannotBeTaken) {
    // Settings a row makes stay for the rows after it.
    const char* rows[] = {
        // Record pressed while holding: the hold ends and a new recording begins.
        "0 set endprompt false\n0 ring 5551234\n2 user record\n9 user hold\n"
        "12 user record\n18 user stop\n21 expect heard \"On-Hold 1\"\n21 expect recordings 2\n"
        "22 quit",
        // A nine during hold drops the call; other digits, and a nine at other times, do not.
        "0 set startprompt false\n0 ring 5551234\n2 user record\n3 digits 9\n"
        "5 expect call connected\n6 user hold\n8 digits 1234\n10 expect call connected\n"
        "11 digits 9\n13 expect call idle\n14 quit",
    };
    for (const char* text : rows) {
        RemoveRecordings();
        Run(text);
    }
    // An impossible step fails the run (how a failed expectation is reported: quillon-tool's test).
    Run("0 answer-far\n1 expect recordings 3\n2 quit\n", false);
    EXPECT_NE(summary.find("line 1: answer-far "), std::string::npos) << summary;
}

TEST_F(ScenarioTest, HoldWhileRecordingPlaysTheEndPromptThenTheOnHoldFilesInTurn) {
    // The turn goes on from any stored number: the largest one names file 2.
    SimulationResult result = Run(R"(
0    set startprompt false
0    set holdno 2147483647
0    ring 5551234
2    user record
6    user hold
30   expect mode hold
30.2 quit
)");
    EXPECT_EQ(Heard(result),
              (Names{"End Prompt", "On-Hold 2", "On-Hold 3", "On-Hold 1", "On-Hold 2"}))
        << summary;
    // "holdno" advanced for each file started (the fifth starts at 30.5 s), and kept in range.
    EXPECT_EQ(ReadProfileString(app.settingsFile, "settings", "holdno", ""), "2");
}

// The far end hangs up or the line reports busy while the recorder records, plays a prompt or
// holds: the call is released, and the next caller rings in, is logged and is recorded.
TEST_F(ScenarioTest, AFarEndThatHasGoneReleasesTheCallForTheNextOne) {
    // What the user does before the far end goes at 7 s, and the recordings that makes.
    const std::pair<const char*, std::size_t> rows[] = {
        {"2 user record", 1},               // goes during the recording
        {"5 user record", 0},               // during the start prompt
        {"2 user record\n6 user hold", 1},  // during the end prompt before the hold
        {"2 user hold", 0},                 // during an on-hold file
    };
    for (const char* gone : {"hangup-far", "busy"}) {
        for (auto [steps, recorded] : rows) {
            RemoveRecordings();
            SimulationResult result =
                Run(std::string("0 set recordalc false\n0 ring 5550001\n") + steps + "\n7 " + gone +
                    "\n9 expect call idle\n9 expect mode idle\n"
                    "10 ring 5550002 \"M\xfcller\"\n17 user record\n"
                    "22 expect log \"Incoming call 5550002\"\n"
                    "22 expect mode record\n23 quit\n");
            ASSERT_EQ(result.recordings.size(), recorded + 1) << steps << gone << "\n" << summary;
            // Caller ID bytes that are not UTF-8 do not reach the name.
            EXPECT_TRUE(result.recordings.back().ends_with(" 5550002 M_ller.wav")) << steps;
        }
    }
}

TEST_F(ScenarioTest, WhatKeepsACallFromBeingRecordedIsToldInTheCallerLog) {
    std::optional<ScopedFileSizeLimit> full;
    // What is done once the session stands, the steps of the call, and what the user is told.
    const std::tuple<std::function<void(AppState&)>, const char*, const char*> rows[] = {
        {[this](AppState&) { WriteFile(dir / "Recordings", ""); }, "0 set startprompt false",
         "Recording not started: the file could not be created (Not a directory)"},
        // A disk that is full after 4 s of recording: the file ends there, as its header says.
        {[&full](AppState&) { full.emplace(46 + 4 * 16000); },
         "0 set startprompt false\n8 expect length 1 4",
         "Recording stopped: the disk is full (File too large)"},
    };
    for (const auto& [preparation, steps, told] : rows) {
        RemoveRecordings();
        prepare = preparation;
        SimulationResult result =
            Run(std::string("0 set recordalc false\n0 ring 5551234\n2 user record\n") + steps +
                "\n8 expect call idle\n8 expect log \"" + told + "\"\n9 quit\n");
        full.reset();
        // The full disk keeps the call's events out of the recording too, which is told after.
        EXPECT_EQ(result.notifications.problems.front(), told) << summary;
        for (const std::string& recording : result.recordings) {
            EXPECT_EQ(Le32At(ReadFile(recording), 42), 4u * 16000);
        }
    }
}

TEST_F(ScenarioTest, AudioFilesThatCannotBeReadAreToldAndNeverWaitedFor) {
    const std::string fifo = dir / "fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    prepare = [&](AppState& state) {
        const std::string prompt = state.dataFolder + "Start Prompt.wav";
        std::filesystem::remove(prompt);
        ASSERT_EQ(::symlink(fifo.c_str(), prompt.c_str()), 0);
    };
    RunWithFifoDeadline(fifo, [&] {
        Run("0 set recordalc false\n0 ring 5551234\n1 say fifo.wav\n1 near-say missing.wav\n"
            "2 user record\n8 expect call idle\n9 quit\n"
            "8 expect log \"Call not recorded: \\\"Start Prompt.wav\\\" could not be played\"\n",
            false);
    });
    for (const std::string& told :
         {"line 3: say: " + fifo, "line 4: near-say: " + dir / "missing.wav"}) {
        EXPECT_NE(summary.find(told + " is not a WAV file that can be read\n"), std::string::npos)
            << summary;
    }
    EXPECT_NE(summary.find("Expectations: 2 held, 0 failed\n"), std::string::npos) << summary;
}

TEST_F(ScenarioTest, ALongCallGoesOnInNewFilesWithoutTheCallerNoticing) {
    prepare = [](AppState& state) { state.maximumRecordingLength = 20000; };
    SimulationResult result = Run(R"(
0    set startprompt false
0    set endprompt false
0    set recordalc false
0    ring 5551234
2    user record
6.5  expect call connected
6.5  expect mode record
7    user stop
8    quit
)");
    EXPECT_TRUE(Heard(result).empty()) << summary;
    // Two files of 2.1 s (a block past the limit) and the rest: 5 s less the 0.4 s stop cut.
    std::vector<double> seconds;
    for (const std::string& recording : result.recordings) {
        seconds.push_back(static_cast<double>(ReadWave(recording).size()) / kRate);
    }
    std::sort(seconds.begin(), seconds.end());
    ASSERT_EQ(seconds.size(), 3u) << summary;
    EXPECT_NEAR(seconds[1], 2.1, 0.05);
    EXPECT_NEAR(seconds[2], 2.1, 0.05);
    EXPECT_NEAR(seconds[0] + seconds[1] + seconds[2], 4.6, 0.2);
}

TEST(ScenarioParseTest, BadLinesAreReportedWithTheirNumbersGoodOnesSortedByTime) {
    // Each text with what the reason names; all on line 1 but the one after a comment.
    const std::pair<const char*, const char*> rows[] = {
        {"x ring 1", "'x'"},
        {"\n# comment\n1", "action"},
        {"1 dance", "'dance'"},
        {"1 ring", "ring"},
        {"1 ring 5 \"open", "quoted"},
        {"1 user jump", "'jump'"},
        {"1 expect beeps many", "count"},
        {"1 expect mode loud", "idle, record or hold"},
        {"-1 quit", "'-1'"}};
    ParsedScenario parsed;
    for (auto [text, names] : rows) {
        parsed = ParseScenario(text);
        ASSERT_TRUE(parsed.error) << text;
        EXPECT_TRUE(parsed.error->starts_with(text[0] == '\n' ? "line 3: " : "line 1: "))
            << *parsed.error;
        EXPECT_NE(parsed.error->find(names), std::string::npos) << *parsed.error;
        EXPECT_TRUE(parsed.steps.empty());
    }
    // Steps come in time order, those of one time in file order.
    parsed = ParseScenario("2 quit\n1 ring 555 \"A \\\"B\\\"\" # rings\n1 user record\n");
    ASSERT_FALSE(parsed.error);
    ASSERT_EQ(parsed.steps.size(), 3u);
    EXPECT_EQ(parsed.steps[0].lineNumber, 2);
    EXPECT_EQ(parsed.steps[0].args, (Names{"555", "A \"B\""}));
    EXPECT_EQ(parsed.steps[1].lineNumber, 3);
    EXPECT_EQ(parsed.steps[2].lineNumber, 1);
    EXPECT_EQ(parsed.steps[2].time, 2.0);
    EXPECT_TRUE(parsed.steps[2].args.empty());
}

}  // namespace
