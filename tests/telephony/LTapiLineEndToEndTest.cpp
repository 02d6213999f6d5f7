// A whole call on the simulated line: it rings with caller ID, the program answers, plays a
// prompt from a WAV file, records half a minute of the far party into a WAV file, and the far
// party hangs up.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "LineTestBench.h"
#include "TestAudio.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

// A rising sweep, 0.7 s of every second: something like speech in its ups and downs.
std::int32_t Speech(std::int32_t frame) {
    double t = (frame % 8000) / 8000.0;
    if (t >= 0.7) {
        return 0;
    }
    return static_cast<std::int32_t>(6000 *
                                     std::sin(2 * std::numbers::pi * (300 * t + 1350 * t * t)));
}

std::vector<std::int16_t> ReadWave(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    std::vector<std::int16_t> samples;
    if (!source || source->IsInvalid()) {
        return samples;
    }
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(source->GetLength()));
    source->Read(buffer.data(), source->GetLength());
    for (std::int32_t value : buffer) {
        samples.push_back(static_cast<std::int16_t>(value / 16));
    }
    return samples;
}

// The normalised correlation of `part` with `whole` at the offset where it is largest.
double BestCorrelation(const std::vector<std::int16_t>& whole,
                       const std::vector<std::int16_t>& part) {
    double best = 0.0;
    for (std::size_t offset = 0; offset + part.size() <= whole.size(); offset += 1) {
        double product = 0.0;
        double energyWhole = 0.0;
        double energyPart = 0.0;
        for (std::size_t i = 0; i < part.size(); i += 4) {
            product += static_cast<double>(whole[offset + i]) * part[i];
            energyWhole += static_cast<double>(whole[offset + i]) * whole[offset + i];
            energyPart += static_cast<double>(part[i]) * part[i];
        }
        if (energyWhole > 0.0 && energyPart > 0.0) {
            best = std::max(best, product / std::sqrt(energyWhole * energyPart));
        }
        if (best > 0.999) {
            break;
        }
    }
    return best;
}

class EndToEndTest : public SimulatedLineBench {};

TEST_F(EndToEndTest, AnsweredCallPlaysThePromptAndRecordsTheFarPartyUntilTheyHangUp) {
    TempDir folder;
    std::string promptPath = folder / "Start Prompt.wav";
    std::string recordingPath = folder / "recording.wav";
    std::vector<std::int16_t> prompt;
    {
        LSoundSinkPtr writer = CreateWaveWriter(promptPath, 8000, 0, 16, 1);
        std::vector<std::int32_t> samples;
        for (std::int32_t f = 0; f < 12000; ++f) {
            std::int32_t value = Noise(f) / 2;
            prompt.push_back(static_cast<std::int16_t>(value));
            samples.push_back(value * 16);
        }
        writer->Write(samples.data(), static_cast<std::int32_t>(samples.size()));
    }

    OpenLine({.start =
                  [&] {
                      LSoundSourcePtr source = OpenWaveFile(promptPath);
                      ASSERT_TRUE(source);
                      line.Play(source);
                  },
              .playDone =
                  [&] {
                      LSoundSinkPtr writer = CreateWaveWriter(recordingPath, 8000, 0, 16, 1);
                      line.Record(writer, 600000, -127, 36000000);
                      // The far party starts talking as the recording starts.
                      simulated->SetFarPartyAudio(MakeCounted<GeneratedSource>(
                          8000, 1, 8000 * 60, [](std::int32_t f, int) { return Speech(f); }));
                  }});

    ASSERT_TRUE(simulated->Ring({SimulatedCallerId::Kind::Number, "5551234", "ALICE SMITH"}));
    Run(SimulatedLine::kDefaultRingInterval / kMs);
    EXPECT_TRUE(Logged("standing: offer 2"));
    EXPECT_STREQ(line.callerNumber, "5551234");
    EXPECT_STREQ(line.callerName, "ALICE SMITH");

    ASSERT_TRUE(line.MakeCall(nullptr));
    ASSERT_TRUE(RunUntil([&] { return line.IsRecording(); }, 60000));
    EXPECT_TRUE(Logged("standing: play done"));
    Run(30000);
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: call ended"); }, 1000));

    // The call ended after the far party left, and the line let go of it.
    std::vector<std::string> tail(log.end() - 2, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"standing: remote hang-up", "standing: call ended"}));
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_EQ(line.GetCall(), 0u);

    // The prompt went down the line.
    std::vector<std::int16_t> capture = simulated->Capture();
    ASSERT_GE(capture.size(), prompt.size());
    EXPECT_GT(BestCorrelation(capture, prompt), 0.99);
    EXPECT_NEAR(static_cast<double>(AudibleSpan(capture)), 12000.0, 40.0);

    // The recording holds the far party's 30 s less the 4.5 s of their hanging up.
    std::vector<std::int16_t> recording = ReadWave(recordingPath);
    EXPECT_NEAR(static_cast<double>(recording.size()), 8000 * 25.5, 800.0);
    ASSERT_GT(recording.size(), 8000u);
    // Where the far party's first words are in the recording (the recording starts with
    // them, give or take a clock step), and that all of it is theirs from there.
    auto matchesFrom = [&](std::size_t offset, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (offset + i >= recording.size() ||
                recording[offset + i] != Speech(static_cast<std::int32_t>(i))) {
                return i;
            }
        }
        return count;
    };
    std::size_t offset = 0;
    while (offset < 800 && matchesFrom(offset, 800) < 800) {
        ++offset;
    }
    EXPECT_LT(offset, 100u);
    std::size_t matching = matchesFrom(offset, recording.size());
    EXPECT_EQ(offset + matching, recording.size());
}

}  // namespace
