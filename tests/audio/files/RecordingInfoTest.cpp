// The call's story in the WAV file: round trip, rewrites, foreign chunks, hostile sizes, other
// readers, and mending sizes after an unexpected stop.
#include "audio/files/RecordingInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "WaveTestFiles.h"
#include "audio/files/LWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "support/TempDir.h"

namespace {

// Everything a recording can carry: events before, at and after the audio, UTF-8 and odd text
// lengths, an INFO entry of another program and a kind a later version may add.
RecordingInfo FullInfo() {
    RecordingInfo info;
    info.caller = "+44 20 7946 0018 Ann Smith";
    info.date = "2026-12-07 14:05:09";
    info.line = "Voice modem (ttyACM0)";
    info.note = "Vertrag bestätigt – Jürgen";
    info.otherInfo = {{"ISFT", "Quillon"}};
    info.eventRate = 8000;
    info.events = {
        {-24000, 1796652300, CallEventKind::Announcement, "Start Prompt.wav 2.9 s"},
        {0, 1796652309, CallEventKind::Tone, ""},
        {3, 1796652310, CallEventKind::Digit, "5"},
        {80000, 1796652319, CallEventKind::HoldStarted, "Hold 1.wav"},
        {80001, 0, static_cast<CallEventKind>(99), "ü"},
    };
    return info;
}

// 8-bit mono, 5 frames: an odd data chunk with its pad byte.
std::string OddWave() {
    return RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) +
                    Chunk("data", "\x80\x81\x82\x83\x84"));
}

std::int32_t WaveLength(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    return source ? source->GetLength() : -1;
}

std::size_t Count(const std::string& bytes, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = bytes.find(part); at != bytes.npos; at = bytes.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class RecordingInfoTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "call.wav";
};

TEST_F(RecordingInfoTest, FullInfoReadsBackEqualAfterTheUntouchedAudio) {
    const std::string before = OddWave();
    WriteFile(path, before);
    ASSERT_EQ(WriteRecordingInfo(path, FullInfo()), "");
    EXPECT_EQ(ReadRecordingInfo(path), FullInfo());
    const std::string bytes = ReadFile(path);
    // Past the RIFF size, the format and audio with its pad byte stay byte for byte; ours follow.
    EXPECT_EQ(bytes.substr(8, before.size() - 8), before.substr(8));
    EXPECT_EQ(bytes.substr(before.size(), 4), "LIST");
    EXPECT_EQ(Le32At(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(WaveLength(path), 5);
}

TEST_F(RecordingInfoTest, RewritesKeepOneSetOfOursAndTheChunksOfOthers) {
    // A chunk of another program after the data stays, and stays before ours; so does the pad
    // byte its writer left out after odd data.
    const std::string tag = Chunk("id3 ", "tag");
    const std::string unpadded = RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) + "data" +
                                          Le32(5) + "\x80\x81\x82\x83\x84" + tag);
    const std::string padded = Pcm16File(1, 8000, {1, 2, 3}) + tag;
    for (const std::string& before :
         {padded.substr(0, 4) + Le32(padded.size() - 8) + padded.substr(8), unpadded}) {
        WriteFile(path, before);
        RecordingInfo info = FullInfo();
        ASSERT_EQ(WriteRecordingInfo(path, info), "");
        info.note = "called back";
        ASSERT_EQ(WriteRecordingInfo(path, info), "");
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(ReadRecordingInfo(path)->note, "called back");
        EXPECT_EQ(std::tuple(Count(bytes, "LIST"), Count(bytes, "qevt"), Count(bytes, "id3 ")),
                  std::tuple(1u, 1u, 1u));
        EXPECT_EQ(bytes.substr(8, before.size() - 8), before.substr(8));
        ASSERT_EQ(WriteRecordingInfo(path, RecordingInfo()), "");
        EXPECT_EQ(ReadFile(path), before);
    }
}

TEST_F(RecordingInfoTest, InfoListBeforeTheDataIsReadThenRenamedJunk) {
    const std::string list = Chunk("LIST", "INFO" + Chunk("ICMT", std::string("old\0", 4)));
    WriteFile(path, RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 16)) + list +
                             Chunk("data", std::string(8, '\1'))));
    EXPECT_EQ(ReadRecordingInfo(path)->note, "old");
    RecordingInfo info;
    info.caller = "0171 555";
    ASSERT_EQ(WriteRecordingInfo(path, info), "");
    EXPECT_EQ(ReadRecordingInfo(path), info);
    EXPECT_EQ(ReadFile(path).substr(36, 4), "JUNK");
    EXPECT_EQ(WaveLength(path), 4);
}

TEST_F(RecordingInfoTest, FilesWithoutInfoOrNotFinishedAreLeftAsTheyAre) {
    const std::string plain = Pcm16File(2, 8000, {1, 2, 3, 4});
    // A recording still being written: its data size claims more than the file holds.
    const std::string growing = plain.substr(0, 40) + Le32(1000) + plain.substr(44);
    struct Row {
        std::string bytes;
        std::optional<RecordingInfo> read;
        bool writable;
    };
    const Row rows[] = {
        {plain, RecordingInfo(), true},
        {growing, RecordingInfo(), false},
        {"just some text, not a recording", std::nullopt, false},
    };
    for (const Row& row : rows) {
        WriteFile(path, row.bytes);
        EXPECT_EQ(ReadRecordingInfo(path), row.read) << row.bytes;
        EXPECT_EQ(ReadFile(path), row.bytes);
        if (!row.writable) {
            EXPECT_NE(WriteRecordingInfo(path, FullInfo()), "") << row.bytes;
            EXPECT_EQ(ReadFile(path), row.bytes);
        }
    }
}

TEST_F(RecordingInfoTest, HostileChunksAreSkippedWithoutLargeAllocations) {
    const std::string wave = Pcm16File(1, 8000, {1, 2});
    const auto events = [](std::uint16_t version, std::uint32_t count, const std::string& rest) {
        return Chunk("qevt", Le16(version) + Le16(0) + Le32(8000) + Le32(count) + rest);
    };
    const std::string oneEvent = std::string(16, '\0') + Le16(2) + Le16(40) + "short";
    const std::string rows[] = {
        events(1, 0xFFFFFFFF, ""),           // more events than any file may hold
        events(1, 1, oneEvent),              // text running past the chunk's end
        events(2, 0, ""),                    // a version this one does not know
        "LIST" + Le32(0x7FFFFFF0) + "INFO",  // a list claiming far more than the file
        Chunk("LIST", "INFO" + std::string("ICMT") + Le32(0xFFFFFF00) + "x"),
    };
    for (const std::string& tail : rows) {
        WriteFile(path, wave + tail);
        const std::optional<RecordingInfo> info = ReadRecordingInfo(path);
        ASSERT_TRUE(info) << tail;
        EXPECT_TRUE(info->Empty()) << tail;
    }
}

TEST_F(RecordingInfoTest, SoxReadsTheSameSamplesPastOurChunks) {
    if (!std::filesystem::exists("/usr/bin/soxi")) {
        GTEST_SKIP() << "sox is not installed";
    }
    std::vector<std::int16_t> samples(1001, 1000);
    WriteFile(path, Pcm16File(1, 8000, samples));
    ASSERT_EQ(WriteRecordingInfo(path, FullInfo()), "");
    const std::string command = "/usr/bin/soxi -s '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_TRUE(pipe);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, pipe.get()), nullptr);
    EXPECT_EQ(std::string(line), "1001\n");
}

TEST(RecordingInfo, ScalingMovesFramesToTheNearestAtTheNewRate) {
    RecordingInfo info = FullInfo();
    info.eventRate = 16000;
    const RecordingInfo scaled = info.ScaledTo(8000);
    EXPECT_EQ(scaled.eventRate, 8000u);
    const std::int64_t expected[] = {-12000, 0, 2, 40000, 40001};  // 1.5 and 40000.5 round away
    for (std::size_t i = 0; i < scaled.events.size(); ++i) {
        EXPECT_EQ(scaled.events[i].frame, expected[i]) << i;
    }
    EXPECT_EQ(RecordingInfo().ScaledTo(8000), RecordingInfo());
}

TEST(RecordingInfo, KindsHaveNamesAndUnknownOnesANumber) {
    EXPECT_EQ(CallEventKindName(CallEventKind::Tone), "Recording tone");
    EXPECT_EQ(CallEventKindName(CallEventKind::Recovered), "Recovered");
    EXPECT_EQ(CallEventKindName(static_cast<CallEventKind>(99)), "Event 99");
}

// Mending sizes: 16-bit stereo, 4 bytes a frame.
class WaveSizesTest : public RecordingInfoTest {
protected:
    static std::string Header(std::uint32_t riffSize, std::uint32_t dataSize) {
        return "RIFF" + Le32(riffSize) + "WAVE" + Chunk("fmt ", FormatBody(1, 2, 8000, 16)) +
               "data" + Le32(dataSize);
    }
};

TEST_F(WaveSizesTest, SizesAreMendedToWholeFramesOnlyWhenTheyDisagree) {
    const std::string frames(40, '\x11');
    const std::string tags = Chunk("id3 ", "tag") + Chunk("LIST", "INFO");
    const std::string finished = Header(100, 40) + frames + tags;
    struct Row {
        const char* what;
        std::string before;
        WaveSizeState state;
        std::string after;
    };
    const Row rows[] = {
        {"provisional sizes, a part of a frame at the end",
         Header(999999, 999963) + frames + "\1\2", WaveSizeState::Repaired,
         Header(76, 40) + frames},
        {"data size never written", Header(36, 0) + frames, WaveSizeState::Repaired,
         Header(76, 40) + frames},
        {"finished with chunks after the data", finished, WaveSizeState::Sound, finished},
        {"chunks after the data, RIFF size stale", Header(76, 40) + frames + tags,
         WaveSizeState::Repaired, finished},
        {"a rewrite of the chunks cut short", Header(76, 40) + frames + tags + "LIST" + Le32(30),
         WaveSizeState::Repaired, finished},
        {"an odd data chunk whose pad was left out",
         RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) + "data" + Le32(3) + "abc"),
         WaveSizeState::Sound, ""},
        {"text", "not a recording at all, just words", WaveSizeState::NotWave, ""},
    };
    for (const Row& row : rows) {
        WriteFile(path, row.before);
        EXPECT_EQ(WaveLooksFinished(path), row.state == WaveSizeState::Sound) << row.what;
        EXPECT_EQ(CheckWaveSizes(path, false),
                  row.state == WaveSizeState::Repaired ? WaveSizeState::Failed : row.state)
            << row.what;
        EXPECT_EQ(ReadFile(path), row.before) << row.what;
        EXPECT_EQ(CheckWaveSizes(path, true), row.state) << row.what;
        EXPECT_EQ(ReadFile(path), row.after.empty() ? row.before : row.after) << row.what;
    }
}

TEST_F(WaveSizesTest, AWriterStoppedMidWayLeavesAFileMendedToItsWholeFrames) {
    const std::string copy = dir / "copy.wav";
    auto writer = MakeCounted<LWaveWriter>(path, 8000, 0, 2, 2);
    std::vector<std::int32_t> samples(2 * 1000, 4096);
    writer->Write(samples.data(), 1000);
    EXPECT_EQ(CheckWaveSizes(path, true), WaveSizeState::Busy);
    // What a power cut leaves: the provisional header and a frame half written.
    WriteFile(copy, ReadFile(path) + "\1\2");
    writer.Release();
    EXPECT_EQ(CheckWaveSizes(copy, true), WaveSizeState::Repaired);
    EXPECT_EQ(ReadFile(copy), ReadFile(path));
    EXPECT_EQ(WaveLength(copy), 1000);
}

}  // namespace
