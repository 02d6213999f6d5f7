// Levelling one file in place: the result replaces the file only when it is complete and nobody
// has the file open; every failure leaves the file's bytes as they were.
#include "audio/level/LevelFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <thread>

#include "audio/files/RecordingInfo.h"
#include "audio/level/LevelTestFiles.h"

namespace {

class LevelFileTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv tmp{"TMPDIR", root.Path()};
    LStopEvent neverStop;
    std::string recording = root / "call.wav";
};

TEST_F(LevelFileTest, ARecordingIsReplacedByItsLevelledMonoCopyOrWrittenElsewhereOrKeptOnFailure) {
    WriteFile(recording, QuietRecording(3, 16000, 2));
    ::chmod(recording.c_str(), 0640);
    LevelReadings readings;
    ASSERT_EQ(LevelWaveFile(recording, recording, neverStop, &readings), LevelResult::Levelled);
    const WaveInfo info = InspectWave(recording);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(std::tuple(info.format.sampleRate, info.format.channels, info.format.bitsPerSample),
              std::tuple(8000u, 1u, 16u));
    EXPECT_NEAR(info.frames, 3 * 8000, 160);
    EXPECT_EQ(FileMode(recording), 0640u);
    EXPECT_TRUE(HiddenFiles(root.Path()).empty());
    // The tone of peak 300 (4,800 internal) has an RMS of 3,394: -28.7 dB. Levelled, it sits at
    // 0 dB weighted; the weighting lifts its 880 Hz by 4.2 dB, so unweighted it is at -4.2 dB.
    EXPECT_NEAR(readings.input, -28.7, 0.1);
    EXPECT_NEAR(readings.output, -4.2, 1.0);
    ASSERT_EQ(LevelWaveFile(recording, root / "out.wav", neverStop), LevelResult::Levelled);
    EXPECT_EQ(FileMode(root / "out.wav"), 0600u);  // a new file is private
    // Failures keep the original bytes and leave nothing behind: no folder for the output, then
    // none for the scratch files.
    const std::string original = ReadFile(recording);
    EXPECT_EQ(LevelWaveFile(recording, root / "missing/out.wav", neverStop), LevelResult::Failed);
    {
        ScopedEnv noFolder("TMPDIR", "/nonexistent/quillon");
        EXPECT_EQ(LevelWaveFile(recording, recording, neverStop), LevelResult::Failed);
    }
    EXPECT_EQ(ReadFile(recording), original);
    EXPECT_TRUE(HiddenFiles(root.Path()).empty());
    EXPECT_EQ(LevelWaveFile(root / "gone.wav", root / "gone.wav", neverStop),
              LevelResult::NotAudio);
    EXPECT_FALSE(Exists(root / "gone.wav"));
}

TEST_F(LevelFileTest, TheCallsStoryGoesWithTheLevelledCopyAtItsRate) {
    WriteFile(recording, QuietRecording(1, 16000));
    ASSERT_EQ(LevelWaveFile(recording, root / "plain.wav", neverStop), LevelResult::Levelled);
    EXPECT_EQ(ReadRecordingInfo(root / "plain.wav"), RecordingInfo());
    RecordingInfo info;
    info.note = "contract agreed";
    info.eventRate = 16000;
    info.events = {{-8001, 0, CallEventKind::Announcement, "Start Prompt.wav"},
                   {16000, 0, CallEventKind::Tone, ""}};
    ASSERT_EQ(WriteRecordingInfo(recording, info), "");
    ASSERT_EQ(LevelWaveFile(recording, recording, neverStop), LevelResult::Levelled);
    RecordingInfo expected = info;
    expected.eventRate = 8000;
    expected.events[0].frame = -4001;
    expected.events[1].frame = 8000;
    EXPECT_EQ(ReadRecordingInfo(recording), expected);
    EXPECT_NEAR(InspectWave(recording).frames, 8000, 160);
}

TEST_F(LevelFileTest, AFileInUseIsReplacedOnceClosedUnlessStoppedOrChangedMeanwhile) {
    const std::string other = QuietRecording(0.5);
    struct Row {
        const char* what;
        std::function<void(LStopEvent&)> change;
        LevelResult result;
    } rows[] = {
        {"left alone", [](LStopEvent&) {}, LevelResult::Levelled},
        {"stopped", [](LStopEvent& stop) { stop.Set(); }, LevelResult::Stopped},
        {"appended to",
         [&](LStopEvent&) {
             std::ofstream(recording, std::ios::binary | std::ios::app) << "more audio";
         },
         LevelResult::Changed},
        {"replaced",
         [&](LStopEvent&) {
             WriteFile(root / "new.wav", other);
             std::rename((root / "new.wav").c_str(), recording.c_str());
         },
         LevelResult::Changed},
        {"deleted", [&](LStopEvent&) { std::remove(recording.c_str()); }, LevelResult::Changed},
    };
    for (const Row& row : rows) {
        WriteFile(recording, QuietRecording(1));
        LSoundSourcePtr player = OpenWaveFile(recording);
        LStopEvent stop;
        LevelResult result = LevelResult::Failed;
        std::thread worker([&] { result = LevelWaveFile(recording, recording, stop); });
        stop.AwaitWaiter();  // the levelled copy waits for the reader to let go
        row.change(stop);
        const std::string now = ReadFile(recording);
        if (row.result == LevelResult::Stopped) {
            worker.join();  // while the player still holds the file
        }
        player.Release();
        if (worker.joinable()) {
            worker.join();
        }
        EXPECT_EQ(result, row.result) << row.what;
        // Only the file left alone is replaced, and only once the reader has let go.
        EXPECT_EQ(ReadFile(recording) == now, row.result != LevelResult::Levelled) << row.what;
        EXPECT_TRUE(HiddenFiles(root.Path()).empty()) << row.what;
    }
}

}  // namespace
