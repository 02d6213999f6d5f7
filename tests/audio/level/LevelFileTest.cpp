// Levelling one file in place: the result replaces the file only when it is complete and nobody
// has the file open; every failure leaves the file's bytes as they were.
#include "audio/level/LevelFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

#include "audio/level/LevelTestFiles.h"

namespace {

class LevelFileTest : public ::testing::Test {
protected:
    TempDir root;
    ScopedEnv tmp{"TMPDIR", root.Path()};
    LStopEvent neverStop;
    std::string recording = root / "call.wav";

    // Size of the finished output for `frames` input frames at 8,000 Hz: whole blocks of 160.
    static std::int64_t OutputSize(std::int64_t frames) {
        return 46 + (frames + 159) / 160 * 160 * 2;
    }
    // The unfinished output beside the recording has reached its full size.
    bool OutputWritten(std::int64_t size) const {
        for (const std::string& name : HiddenFiles(root.Path())) {
            struct stat st {};
            if (::stat((root / name).c_str(), &st) == 0 && st.st_size == size) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(LevelFileTest, ARecordingIsReplacedByItsLevelledMonoCopyOrWrittenElsewhere) {
    WriteFile(recording, QuietRecording(3, 16000, 2));
    ::chmod(recording.c_str(), 0640);
    LevelReadings readings;
    ASSERT_EQ(LevelWaveFile(recording, recording, neverStop, &readings), LevelResult::Levelled);
    const WaveInfo info = InspectWave(recording);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(std::tuple(info.format.sampleRate, info.format.channels, info.format.bitsPerSample),
              std::tuple(8000u, 1u, 16u));
    EXPECT_EQ(info.frames % 160, 0);
    EXPECT_NEAR(info.frames, 3 * 8000, 160);
    EXPECT_EQ(FileMode(recording), 0640u);
    EXPECT_TRUE(HiddenFiles(root.Path()).empty());
    // The tone of peak 300 (4,800 internal) has an RMS of 3,394: -28.7 dB. Levelled, it sits at
    // 0 dB weighted; the weighting lifts its 880 Hz by 4.2 dB, so unweighted it is at -4.2 dB.
    EXPECT_NEAR(readings.input, -28.7, 0.1);
    EXPECT_NEAR(readings.output, -4.2, 1.0);

    const std::string original = QuietRecording(1);
    WriteFile(recording, original);
    ASSERT_EQ(LevelWaveFile(recording, root / "out.wav", neverStop), LevelResult::Levelled);
    EXPECT_EQ(ReadFile(recording), original);
    EXPECT_EQ(std::int64_t(ReadFile(root / "out.wav").size()), OutputSize(8000));
    EXPECT_EQ(FileMode(root / "out.wav"), 0600u);
}

TEST_F(LevelFileTest, FailuresKeepTheOriginalBytesAndLeaveNothingBehind) {
    const std::string original = QuietRecording(1);
    struct Row {
        const char* what;
        std::string content;
        std::string output;
        std::optional<std::string> tmpdir;
        LevelResult result;
    } rows[] = {
        {"not a WAV file", "just some text", recording, std::nullopt, LevelResult::NotAudio},
        {"no folder for the scratch files", original, recording, "/nonexistent/quillon",
         LevelResult::Failed},
        {"no folder for the output", original, root / "missing/out.wav", std::nullopt,
         LevelResult::Failed},
    };
    for (const Row& row : rows) {
        WriteFile(recording, row.content);
        std::optional<ScopedEnv> env;
        if (row.tmpdir) {
            env.emplace("TMPDIR", *row.tmpdir);
        }
        EXPECT_EQ(LevelWaveFile(recording, row.output, neverStop), row.result) << row.what;
        EXPECT_EQ(ReadFile(recording), row.content) << row.what;
        EXPECT_TRUE(HiddenFiles(root.Path()).empty()) << row.what;
    }
    EXPECT_EQ(LevelWaveFile(root / "gone.wav", root / "gone.wav", neverStop),
              LevelResult::NotAudio);
    EXPECT_FALSE(Exists(root / "gone.wav"));
}

TEST_F(LevelFileTest, AFileHeldOpenByAReaderIsReplacedOnlyAfterItIsClosed) {
    const std::string original = QuietRecording(2);
    WriteFile(recording, original);
    LSoundSourcePtr player = OpenWaveFile(recording);
    ASSERT_TRUE(player);
    std::atomic<bool> done{false};
    LevelResult result = LevelResult::Failed;
    LStopEvent stop;
    std::thread worker([&] {
        result = LevelWaveFile(recording, recording, stop);
        done = true;
    });
    stop.AwaitWaiter();  // for the reader to let go, with the levelled copy complete
    EXPECT_TRUE(OutputWritten(OutputSize(16000)));
    EXPECT_FALSE(done);
    EXPECT_EQ(ReadFile(recording), original);
    player.Release();
    worker.join();
    EXPECT_EQ(result, LevelResult::Levelled);
    EXPECT_EQ(InspectWave(recording).frames, 16000);
    EXPECT_TRUE(HiddenFiles(root.Path()).empty());
}

TEST_F(LevelFileTest, StoppingOrAChangeMeanwhileLeavesTheRecordingAsItIsNow) {
    const std::string other = QuietRecording(0.5);
    struct Row {
        const char* what;
        std::function<void(LStopEvent&)> change;
        LevelResult result;
    } rows[] = {
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
        LevelResult result = LevelResult::Levelled;
        std::thread worker([&] { result = LevelWaveFile(recording, recording, stop); });
        stop.AwaitWaiter();  // the levelled copy waits for the reader to let go
        row.change(stop);
        const bool exists = Exists(recording);
        const std::string now = ReadFile(recording);
        if (row.result == LevelResult::Stopped) {
            worker.join();  // while the player still holds the file
        }
        player.Release();
        if (worker.joinable()) {
            worker.join();
        }
        EXPECT_EQ(result, row.result) << row.what;
        EXPECT_EQ(Exists(recording), exists) << row.what;
        EXPECT_EQ(ReadFile(recording), now) << row.what;
        EXPECT_TRUE(HiddenFiles(root.Path()).empty()) << row.what;
    }
}

}  // namespace
