// Whole calls through the call recorder on a simulated line, as scenarios: what the line heard,
// the recordings made (format, length, and whose voices they hold), caller ID, and the level
// queue's work once a call has ended.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "base/IniFile.h"
#include "simulation/Simulation.h"
#include "support/QtTestApp.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 8000;
// Fast enough to keep the suite short, slow enough to stay exact on a busy machine.
constexpr int kSpeed = 10;
// Where lengths are measured to a fifth of a second: the last blocks on their way to the
// recorder when it stops are not written, and there are more of them the faster time runs.
constexpr int kExactSpeed = 2;

// Speech-like audio: noise in syllables of 150 ms with short breaks, `seconds` long and starting
// after `silence` seconds; each seed gives another voice.
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

void WriteWave(const std::string& path, const std::vector<std::int16_t>& samples) {
    LSoundSinkPtr writer = CreateWaveWriter(path, kRate, 0, 16, 1);
    std::vector<std::int32_t> values(samples.begin(), samples.end());
    for (std::int32_t& v : values) {
        v *= 16;
    }
    writer->Write(values.data(), static_cast<std::int32_t>(values.size()));
}

std::vector<std::int16_t> ReadWave(const std::string& path, WaveFormatRecord* format = nullptr) {
    LSoundSourcePtr source = OpenWaveFile(path, format);
    if (!source) {
        return {};
    }
    std::vector<std::int32_t> values(static_cast<std::size_t>(source->GetLength()));
    source->Read(values.data(), source->GetLength());
    std::vector<std::int16_t> samples;
    for (std::int32_t v : values) {
        samples.push_back(static_cast<std::int16_t>(v >> 4));
    }
    return samples;
}

// Best normalised correlation of `part` (a second of the source from `from`) within `audio`,
// over lags of `around` +- half a second.
double FindIn(const std::vector<std::int16_t>& audio, const std::vector<std::int16_t>& source,
              std::size_t from, std::int64_t around) {
    const std::size_t length = kRate;
    double best = 0;
    for (std::int64_t lag = around - kRate / 2; lag <= around + kRate / 2; lag += 2) {
        std::int64_t at = static_cast<std::int64_t>(from) + lag;
        if (at < 0 ||
            at + static_cast<std::int64_t>(length) > static_cast<std::int64_t>(audio.size())) {
            continue;
        }
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < length; ++i) {
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

double Rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (std::int16_t s : samples) {
        sum += static_cast<double>(s) * s;
    }
    return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTestApp();
        app.dataFolder = dir.Path() + "/";
        app.settingsFile = app.dataFolder + "settings.ini";
        app.recordingsFolder = app.dataFolder + "Recordings/";
        app.logsFolder = app.dataFolder + "Logs/";
        ::mkdir(app.recordingsFolder.c_str(), 0700);
        ::mkdir(app.logsFolder.c_str(), 0700);
    }

    SimulationResult Run(const std::string& text, int speed = kSpeed) {
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
        return result;
    }
    std::vector<std::string> Heard(const SimulationResult& result) const {
        std::vector<std::string> what;
        for (const HeardSound& sound : result.heard) {
            what.push_back(sound.what);
        }
        return what;
    }
    std::string Log() const {
        std::string log;
        for (const auto& entry : std::filesystem::directory_iterator(app.logsFolder)) {
            log += ReadFile(entry.path());
        }
        return log;
    }
    static double Seconds(const std::vector<std::int16_t>& samples) {
        return static_cast<double>(samples.size()) / kRate;
    }

    TempDir dir;
    AppState app;
    std::function<void(AppState&)> prepare;
    std::string summary;
};

TEST_F(ScenarioTest, RecordingHoldsBothPartiesForTheTimeRecorded) {
    std::vector<std::int16_t> far = Voice(1, 0.0, 6.0, 8000);
    std::vector<std::int16_t> near = Voice(2, 7.0, 5.0, 8000);
    WriteWave(dir / "far.wav", far);
    WriteWave(dir / "near.wav", near);
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
18   expect recordings 1
19   quit
)",
                                  kExactSpeed);
    EXPECT_TRUE(result.held) << summary;
    ASSERT_EQ(result.recordings.size(), 1u) << summary;
    std::string name = std::filesystem::path(result.recordings[0]).filename().string();
    EXPECT_EQ(name.size(), 31u) << name;  // yyyy-mm-dd hh-mm-ss 5551234.wav
    EXPECT_EQ(name.substr(19), " 5551234.wav");

    WaveFormatRecord format;
    std::vector<std::int16_t> recorded = ReadWave(result.recordings[0], &format);
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.sampleRate, 8000u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.channels, 1);
    // Recorded from the answer at 2 s to the stop at 16 s, less the 0.4 s cut at the end.
    EXPECT_NEAR(Seconds(recorded), 13.6, 0.2) << summary;
    // Both parties start when the line is taken, as does the recording.
    EXPECT_GT(FindIn(recorded, far, 2 * kRate, 0), 0.8);
    EXPECT_GT(FindIn(recorded, near, 9 * kRate, 0), 0.8);
}

TEST_F(ScenarioTest, RecordPressedWhileIdleWithBothAnnouncementsAndTones) {
    WriteWave(dir / "far.wav", Voice(3, 0.0, 40.0, 300));  // quiet: levelling raises it
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
    EXPECT_TRUE(result.held) << summary;
    EXPECT_EQ(Heard(result),
              (std::vector<std::string>{"Start Prompt", "beep", "beep", "End Prompt"}))
        << summary;
    // The tones fall 15 s apart.
    ASSERT_EQ(result.heard.size(), 4u);
    double gap = static_cast<double>(result.heard[2].frame - result.heard[1].frame) / kRate;
    EXPECT_NEAR(gap, 15.0, 0.3);
    ASSERT_EQ(result.recordings.size(), 1u);
    EXPECT_NE(result.recordings[0].find(" 5551234 SMITH J.wav"), std::string::npos);
    // Queued once the call ended and levelled before the run ended: the quiet caller is louder
    // in the file than on the line, and the queue is empty.
    EXPECT_GT(Rms(ReadWave(result.recordings[0])), 4 * 300 * 0.35);
    EXPECT_EQ(ReadProfileString(app.dataFolder + "bgalc.dat", "bgalc", "count", "0"), "0");
    EXPECT_EQ(result.notifications.callsEnded, 1);
    EXPECT_GT(result.notifications.levels, 100);
}

TEST_F(ScenarioTest, ShortToneIntervalsAreRaisedToTwoSeconds) {
    SimulationResult result = Run(R"(
0    set startprompt false
0    set endprompt false
0    set recordtoneinterval 0:00:01
0    ring 5551234
2    user record
11   user stop
13   expect beeps 4
14   quit
)");
    EXPECT_TRUE(result.held) << summary;
}

TEST_F(ScenarioTest, FarEndHangingUpEndsTheRecordingWithoutItsLastSeconds) {
    WriteWave(dir / "far.wav", Voice(4, 0.0, 12.0, 8000));
    SimulationResult result = Run(R"(
0    set startprompt false
0    set recordalc false
0    ring 5551234
1    say far.wav
2    user record
14   hangup-far
15   expect call disconnected
15   expect recordings 1
16   quit
)",
                                  kExactSpeed);
    EXPECT_TRUE(result.held) << summary;
    ASSERT_EQ(result.recordings.size(), 1u);
    // Recorded from 2 s until the hang-up at 14 s, less the 4.5 s that held the exchange's tone.
    EXPECT_NEAR(Seconds(ReadWave(result.recordings[0])), 7.5, 0.2) << summary;
}

TEST_F(ScenarioTest, HoldWhileRecordingPlaysTheEndPromptThenTheOnHoldFilesInTurn) {
    SimulationResult result = Run(R"(
0    set startprompt false
0    ring 5551234
2    user record
6    user hold
30   expect mode hold
30.5 quit
)");
    EXPECT_TRUE(result.held) << summary;
    EXPECT_EQ(Heard(result), (std::vector<std::string>{"End Prompt", "On-Hold 1", "On-Hold 2",
                                                       "On-Hold 3", "On-Hold 1"}))
        << summary;
    // "holdno" advanced once for each file started: four times from 0.
    EXPECT_EQ(ReadProfileString(app.settingsFile, "settings", "holdno", ""), "1");
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
    EXPECT_TRUE(result.held) << summary;
    EXPECT_EQ(Heard(result),
              (std::vector<std::string>{"Start Prompt", "On-Hold 1", "Start Prompt"}))
        << summary;
    ASSERT_EQ(result.recordings.size(), 2u);
    EXPECT_NE(result.recordings[0], result.recordings[1]);
}

TEST_F(ScenarioTest, NineDuringHoldDropsOtherDigitsAndOtherTimesDoNot) {
    SimulationResult result = Run(R"(
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
    EXPECT_TRUE(result.held) << summary;
}

TEST_F(ScenarioTest, CallerIdOnTheSecondRingOnlyAndTheCallIsNeverAnswered) {
    SimulationResult result = Run(R"(
0    ring 5551234 "SMITH J"
5    expect popups 0
7    expect popups 1
20   expect call offering
20   hangup-far
21   expect call idle
21   expect recordings 0
22   quit
)");
    EXPECT_TRUE(result.held) << summary;
    ASSERT_EQ(result.notifications.popups.size(), 1u);
    EXPECT_EQ(result.notifications.popups[0], "Incoming call\r\n5551234\r\nSMITH J");
    std::string log = Log();
    EXPECT_NE(log.find(" Incoming call 5551234 SMITH J"), std::string::npos);
    EXPECT_EQ(log.find("Incoming call", log.find("Incoming call") + 1), std::string::npos);
}

TEST_F(ScenarioTest, MissingStartPromptDropsTheCallAndRecordsNothing) {
    prepare = [](AppState& state) {
        std::filesystem::remove(state.dataFolder + "Start Prompt.wav");
    };
    SimulationResult result = Run(R"(
0    ring 5551234
2    user record
5    expect call idle
5    expect recordings 0
6    quit
)");
    EXPECT_TRUE(result.held) << summary;
}

TEST_F(ScenarioTest, FailedExpectationsAndImpossibleStepsFailTheRun) {
    SimulationResult result = Run(R"(
0    answer-far
1    expect recordings 3
2    quit
)");
    EXPECT_FALSE(result.held);
    EXPECT_NE(summary.find("line 2: answer-far cannot be done now"), std::string::npos) << summary;
    EXPECT_NE(summary.find("line 3: expect recordings 3 failed"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Expectations: 0 held, 1 failed"), std::string::npos) << summary;
}

TEST(ScenarioParseTest, BadLinesAreReportedWithTheirNumbers) {
    struct Row {
        const char* text;
        const char* error;
    } rows[] = {
        {"x ring 1", "line 1: 'x' is not a time in seconds"},
        {"\n# comment\n1", "line 3: a time needs an action"},
        {"1 dance", "line 1: unknown action 'dance'"},
        {"1 ring", "line 1: ring takes a number or a withheld kind, and a name"},
        {"1 ring 5 \"open", "line 1: a quoted text is not closed"},
        {"1 user jump", "line 1: unknown user action 'jump'"},
        {"1 expect beeps many", "line 1: expect beeps takes a count"},
        {"1 expect mode loud", "line 1: expect mode takes idle, record or hold"},
        {"1 expect length 1", "line 1: expect length takes a recording number and seconds"},
        {"1 quit now", "line 1: quit takes no arguments"},
        {"-1 quit", "line 1: '-1' is not a time in seconds"},
    };
    for (const Row& row : rows) {
        ParsedScenario parsed = ParseScenario(row.text);
        ASSERT_TRUE(parsed.error) << row.text;
        EXPECT_EQ(*parsed.error, row.error);
        EXPECT_TRUE(parsed.steps.empty());
    }
    ParsedScenario good =
        ParseScenario("2 quit\n1 ring 555 \"A \\\"B\\\"\" # rings\n1 user record\n");
    ASSERT_FALSE(good.error);
    ASSERT_EQ(good.steps.size(), 3u);
    EXPECT_EQ(good.steps[0].action, ScenarioAction::Ring);
    EXPECT_EQ(good.steps[0].args, (std::vector<std::string>{"555", "A \"B\""}));
    EXPECT_EQ(good.steps[1].action, ScenarioAction::User);  // same time: file order kept
    EXPECT_EQ(good.steps[1].command, CallCommand::Record);
    EXPECT_EQ(good.steps[2].lineNumber, 1);
}

}  // namespace
