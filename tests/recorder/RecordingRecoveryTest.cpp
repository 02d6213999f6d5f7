// Recordings an unexpected stop left unfinished: repaired with their journal's story and a
// Recovered event, queued and listed once; recordings still being written and finished ones are
// left alone, and journals without a recording removed.
#include "recorder/RecordingRecovery.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "recorder/CallStory.h"
#include "support/TempAppState.h"

namespace {

TEST(RecordingRecoveryTest, AnUnfinishedRecordingIsRepairedWithItsStoryQueuedAndListedOnce) {
    TempDir dir;
    AppState app = TempAppState(dir);
    std::vector<std::string> queued;
    app.recordingQueue = [&queued](const std::string& path, bool) { queued.push_back(path); };
    const std::string crashed = app.recordingsFolder + "crashed.wav";
    const std::string busy = app.recordingsFolder + "busy.wav";
    const std::string finished = app.recordingsFolder + "finished.wav";
    const std::vector<std::int32_t> audio(8000, 1600);
    CallStory story;  // never finished, as when the program is killed
    {
        LSoundSinkPtr writer = CreateWaveWriter(finished, 8000, 0, 16, 1);
        writer->Write(audio.data(), 8000);
    }
    LSoundSinkPtr recording = CreateWaveWriter(busy, 8000, 0, 16, 1);
    recording->Write(audio.data(), 8000);
    // The file as a kill leaves it: a header that claims 32 s more, and half a frame at the end.
    std::filesystem::copy_file(busy, crashed);
    WriteFile(crashed, ReadFile(crashed) + "x");
    RecordingInfo begun;
    begun.caller = "5551234";
    begun.eventRate = 8000;
    story.Begin(crashed, begun);
    story.Note(CallEventKind::Tone, 4000);
    WriteFile(JournalPath(busy), "caller\t5550000\n");
    WriteFile(JournalPath(app.recordingsFolder + "gone.wav"), "caller\t5550000\n");
    const std::string finishedBytes = ReadFile(finished);

    const std::vector<std::string> recovered = RecoverRecordings(app);
    EXPECT_EQ(recovered, std::vector<std::string>{crashed});
    EXPECT_EQ(RecoveredMessage(recovered),
              "1 recording was recovered after an unexpected stop: crashed.wav");
    EXPECT_EQ(queued, std::vector<std::string>{crashed});
    EXPECT_EQ(OpenWaveFile(crashed)->GetLength(), 8000);
    const RecordingInfo info = ReadRecordingInfo(crashed).value();
    EXPECT_EQ(info.caller, "5551234");
    ASSERT_EQ(info.events.size(), 2u);
    EXPECT_EQ(info.events[0].kind, CallEventKind::Tone);
    EXPECT_EQ(info.events[1].kind, CallEventKind::Recovered);
    EXPECT_EQ(info.events[1].frame, 8000);
    EXPECT_FALSE(Exists(JournalPath(crashed)));
    // Being recorded by another program: untouched, its journal kept; the orphan journal gone.
    EXPECT_TRUE(Exists(JournalPath(busy)));
    EXPECT_FALSE(Exists(JournalPath(app.recordingsFolder + "gone.wav")));
    EXPECT_EQ(ReadFile(finished), finishedBytes);
    // A second start finds nothing.
    EXPECT_TRUE(RecoverRecordings(app).empty());
    EXPECT_EQ(queued.size(), 1u);
}

}  // namespace
