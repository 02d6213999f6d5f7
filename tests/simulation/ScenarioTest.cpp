// Whole calls through the recorder on a simulated line: what was heard, recorded and logged.
#include "simulation/Simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numeric>
#include <optional>
#include <sstream>

#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"
#include "base/IniFile.h"
#include "support/QtTestApp.h"
#include "support/TempAppState.h"

namespace {

using Names = std::vector<std::string>;

constexpr int kRate = 8000;
// Fast enough to keep the suite short, slow enough to stay exact on a busy machine.
constexpr int kSpeed = 10;
// Where lengths count to a fifth of a second: the blocks on their way when the recorder stops
// are not written, and there are more of them the faster time runs.
constexpr int kExactSpeed = 2;

// Speech-like noise in syllables of 200 ms, `seconds` long after `silence` seconds; each seed
// gives another voice.
std::vector<std::int16_t> Voice(unsigned seed, double silence, double seconds, int peak) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>((silence + seconds) * kRate), 0);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = static_cast<std::size_t>(silence * kRate); i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        double syllable = std::sin(M_PI * static_cast<double>(i % 1600) / 1600.0);
        double noise =
            static_cast<double>(static_cast<std::int32_t>(state >> 8) - (1 << 23)) / (1 << 23);
        samples[i] = static_cast<std::int16_t>(peak * syllable * noise);
    }
    return samples;
}

// A WAV file's samples, on the readers' scale of 16 to a 16-bit step.
std::vector<std::int32_t> ReadWave(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    std::vector<std::int32_t> samples(source ? static_cast<std::size_t>(source->GetLength()) : 0);
    if (source) {
        source->Read(samples.data(), source->GetLength());
    }
    return samples;
}

// Best normalised correlation of a second of `source` from `from` within `audio`, over lags of
// half a second either way.
double FindIn(const std::vector<std::int32_t>& audio, const std::vector<std::int16_t>& source,
              std::size_t from) {
    double best = 0;
    for (std::int64_t lag = -kRate / 2; lag <= kRate / 2; lag += 2) {
        std::int64_t at = static_cast<std::int64_t>(from) + lag;
        if (at < 0 || at + kRate > static_cast<std::int64_t>(audio.size())) {
            continue;
        }
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < kRate; ++i) {
            double a = audio[static_cast<std::size_t>(at) + i];
            double b = source[from + i];
            ab += a * b;
            aa += a * a;
            bb += b * b;
        }
        if (aa > 0 && bb > 0) {
            best = std::max(best, ab / std::sqrt(aa * bb));
        }
    }
    return best;
}

double Rms(const std::vector<std::int32_t>& samples) {
    double sum = std::inner_product(samples.begin(), samples.end(), samples.begin(), 0.0);
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override { QtTestApp(); }

    // Runs the scenario; every expectation in it should hold, unless `holds` says otherwise.
    SimulationResult Run(const std::string& text, int speed = kSpeed, bool holds = true) {
        ParsedScenario scenario = ParseScenario(text);
        EXPECT_FALSE(scenario.error) << *scenario.error;
        SimulationOptions options;
        options.speed = speed;
        options.baseFolder = dir.Path();
        options.prepare = prepare;
        std::ostringstream out;
        SimulationResult result = RunSimulation(app, scenario.steps, options, out);
        summary = out.str();
        EXPECT_TRUE(result.started);
        EXPECT_EQ(result.held, holds) << summary;
        return result;
    }
    static Names Heard(const SimulationResult& result) {
        Names what;
        for (const HeardSound& sound : result.heard) {
            what.push_back(sound.what);
        }
        return what;
    }
    void WriteVoice(const char* name, const std::vector<std::int16_t>& samples) {
        WriteFile(dir / name, Pcm16File(1, kRate, samples));
    }
    // Takes the recordings folder away: the recorder makes it again when it records.
    void RemoveRecordings() { std::filesystem::remove_all(dir / "Recordings"); }

    TempDir dir;
    AppState app = TempAppState(dir);
    std::function<void(AppState&)> prepare;
    std::string summary;
};

TEST_F(ScenarioTest, RecordingHoldsBothPartiesForTheTimeRecorded) {
    std::vector<std::int16_t> far = Voice(1, 0.0, 6.0, 8000);
    std::vector<std::int16_t> near = Voice(2, 7.0, 5.0, 8000);
    WriteVoice("far.wav", far);
    WriteVoice("near.wav", near);
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
)",
                                  kExactSpeed);
    ASSERT_EQ(result.recordings.size(), 1u) << summary;
    EXPECT_TRUE(result.recordings[0].ends_with(" 5551234.wav")) << result.recordings[0];

    WaveFormatRecord format;
    ASSERT_TRUE(OpenWaveFile(result.recordings[0], &format));
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.sampleRate, 8000u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.channels, 1);
    // Both parties start when the line is taken, as does the recording.
    std::vector<std::int32_t> recorded = ReadWave(result.recordings[0]);
    EXPECT_GT(FindIn(recorded, far, 2 * kRate), 0.8);
    EXPECT_GT(FindIn(recorded, near, 9 * kRate), 0.8);
}

TEST_F(ScenarioTest, RecordPressedWhileIdleWithBothAnnouncementsAndTones) {
    WriteVoice("far.wav", Voice(3, 0.0, 40.0, 300));  // quiet: levelling raises it
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
    EXPECT_TRUE(result.recordings[0].ends_with(" 5551234 SMITH J.wav"));
    // Queued once the call ended and levelled before the run ended: the quiet caller is louder
    // in the file than on the line, and the queue is empty.
    EXPECT_GT(Rms(ReadWave(result.recordings[0])), 4 * 300 * 0.35 * 16);
    EXPECT_EQ(ReadProfileString(app.dataFolder + "bgalc.dat", "bgalc", "count", "0"), "0");
    EXPECT_EQ(result.notifications.callsEnded, 1);
    EXPECT_GT(result.notifications.levels, 100);
}

TEST_F(ScenarioTest, ShortToneIntervalsAreRaisedToTwoSeconds) {
    Run(R"(
0    set startprompt false
0    set endprompt false
0    set recordtoneinterval 0:00:01
0    ring 5551234
2    user record
11   user stop
13   expect beeps 4
14   quit
)");
}

TEST_F(ScenarioTest, FarEndHangingUpEndsTheRecordingWithoutItsLastSeconds) {
    WriteVoice("far.wav", Voice(4, 0.0, 12.0, 8000));
    // Recorded from 2 s until the hang-up at 14 s, less the 4.5 s that held the exchange's tone.
    Run(R"(
0    set startprompt false
0    set recordalc false
0    ring 5551234
1    say far.wav
2    user record
14   hangup-far
15   expect call idle
15   expect recordings 1
15   expect length 1 7.5
16   quit
)",
        kExactSpeed);
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
30.5 quit
)");
    EXPECT_EQ(Heard(result),
              (Names{"End Prompt", "On-Hold 2", "On-Hold 3", "On-Hold 1", "On-Hold 2"}))
        << summary;
    // "holdno" advanced once for each file started, and kept in range.
    EXPECT_EQ(ReadProfileString(app.settingsFile, "settings", "holdno", ""), "2");
}

TEST_F(ScenarioTest, RecordWhileHoldingStartsANewRecordingAfterTheStartPrompt) {
    SimulationResult result = Run(R"(
0    set endprompt false
0    ring 5551234
2    user record
9    user hold
12   user record
18   user stop
21   expect recordings 2
22   quit
)");
    EXPECT_EQ(Heard(result), (Names{"Start Prompt", "On-Hold 1", "Start Prompt"})) << summary;
}

TEST_F(ScenarioTest, NineDuringHoldDropsOtherDigitsAndOtherTimesDoNot) {
    Run(R"(
0    set startprompt false
0    ring 5551234
2    user record
3    digits 9
5    expect call connected
6    user hold
8    digits 1234
10   expect call connected
11   digits 9
13   expect call idle
14   quit
)");
}

TEST_F(ScenarioTest, CallerIdOnTheSecondRingOnlyAndTheCallIsNeverAnswered) {
    Run(R"(
0    ring 5551234 "SMITH J"
5    expect popups 0
7    expect popups 1
7    expect log "Incoming call 5551234 SMITH J"
20   expect call offering
20   expect popups 1
20   hangup-far
21   expect call idle
21   expect recordings 0
22   quit
)");
}

// The far end hangs up or the line reports busy while the recorder records, plays a prompt or
// holds: the call is released, and the next caller rings in, is logged and is recorded.
class FarEndGoneTest : public ScenarioTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FarEndGoneTest, ReleasesTheCallForTheNextOne) {
    struct Row {
        const char* steps;  // the far end goes at 7 s
        std::size_t recorded;
    } rows[] = {
        {"2 user record", 1},               // during the recording
        {"5 user record", 0},               // during the start prompt
        {"2 user record\n6 user hold", 1},  // during the end prompt before the hold
        {"2 user hold", 0},                 // during an on-hold file
    };
    for (const Row& row : rows) {
        RemoveRecordings();
        SimulationResult result = Run(std::string("0 set recordalc false\n0 ring 5550001\n") +
                                      row.steps + "\n7 " + GetParam() +
                                      "\n9 expect call idle\n9 expect mode idle\n"
                                      "10 ring 5550002 \"M\xfcller\"\n17 user record\n"
                                      "22 expect log \"Incoming call 5550002\"\n"
                                      "22 expect mode record\n23 quit\n");
        ASSERT_EQ(result.recordings.size(), row.recorded + 1) << row.steps << "\n" << summary;
        // Caller ID bytes that are not UTF-8 do not reach the name.
        EXPECT_TRUE(result.recordings.back().ends_with(" 5550002 M_ller.wav")) << row.steps;
    }
}

INSTANTIATE_TEST_SUITE_P(HangUpAndBusy, FarEndGoneTest, ::testing::Values("hangup-far", "busy"));

TEST_F(ScenarioTest, WhatKeepsACallFromBeingRecordedIsToldInTheCallerLog) {
    std::optional<ScopedFileSizeLimit> full;
    struct Row {
        std::function<void(AppState&)> prepare;
        const char* steps;
        const char* told;
    } rows[] = {
        {[this](AppState&) {
             std::filesystem::remove(dir / "Recordings");
             WriteFile(dir / "Recordings", "");
         },
         "0 set startprompt false",
         "Recording not started: the file could not be created (Not a directory)"},
        // A disk that is full after 4 s of recording: the file ends there, as its header says.
        {[&full](AppState&) { full.emplace(46 + 4 * 16000); },
         "0 set startprompt false\n8 expect length 1 4",
         "Recording stopped: the disk is full (File too large)"},
        {[](AppState& state) { std::filesystem::remove(state.dataFolder + "Start Prompt.wav"); },
         "0 set startprompt true",
         "Call not recorded: \\\"Start Prompt.wav\\\" could not be played"},
    };
    for (Row& row : rows) {
        RemoveRecordings();
        prepare = row.prepare;
        SimulationResult result =
            Run(std::string("0 set recordalc false\n0 ring 5551234\n2 user record\n") + row.steps +
                "\n8 expect call idle\n8 expect log \"" + row.told + "\"\n9 quit\n");
        full.reset();
        EXPECT_EQ(result.notifications.problems.size(), 1u) << row.told << "\n" << summary;
        for (const std::string& recording : result.recordings) {
            EXPECT_EQ(Le32At(ReadFile(recording), 42), 4u * 16000);
        }
    }
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
)",
                                  kExactSpeed);
    EXPECT_TRUE(Heard(result).empty()) << summary;
    // Files of 2.1 s (the recorder stops on the block after the limit) and the rest, with
    // nothing worth noting lost between them: 5 s recorded less the 0.4 s cut at the stop.
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

TEST_F(ScenarioTest, FailedExpectationsAndImpossibleStepsFailTheRun) {
    Run("0 answer-far\n1 expect recordings 3\n2 quit\n", kSpeed, false);
    EXPECT_NE(summary.find("line 1: answer-far "), std::string::npos) << summary;
    EXPECT_NE(summary.find("line 2: expect recordings 3 "), std::string::npos) << summary;
    EXPECT_NE(summary.find("0 held, 1 failed"), std::string::npos) << summary;
}

TEST(ScenarioParseTest, BadLinesAreReportedWithTheirNumbers) {
    struct Row {
        const char* text;
        const char* line;
        const char* names;  // what the reason names
    } rows[] = {
        {"x ring 1", "line 1: ", "'x'"},
        {"\n# comment\n1", "line 3: ", "action"},
        {"1 dance", "line 1: ", "'dance'"},
        {"1 ring", "line 1: ", "ring"},
        {"1 ring 5 \"open", "line 1: ", "quoted"},
        {"1 user jump", "line 1: ", "'jump'"},
        {"1 expect beeps many", "line 1: ", "count"},
        {"1 expect mode loud", "line 1: ", "idle, record or hold"},
        {"1 expect length 1", "line 1: ", "seconds"},
        {"1 quit now", "line 1: ", "no arguments"},
        {"-1 quit", "line 1: ", "'-1'"},
    };
    for (const Row& row : rows) {
        ParsedScenario parsed = ParseScenario(row.text);
        ASSERT_TRUE(parsed.error) << row.text;
        EXPECT_TRUE(parsed.error->starts_with(row.line)) << *parsed.error;
        EXPECT_NE(parsed.error->find(row.names), std::string::npos) << *parsed.error;
        EXPECT_TRUE(parsed.steps.empty());
    }
}

TEST(ScenarioParseTest, StepsComeInTimeOrderAndSameTimesInFileOrder) {
    ParsedScenario parsed =
        ParseScenario("2 quit\n1 ring 555 \"A \\\"B\\\"\" # rings\n1 user record\n");
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
