// The PCM WAV reader: sample widths, zeros around the data, seeking, short files and a file
// that grows while it is read.
#include "audio/files/LWaveReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

// Frames [first, first + count) of a mono recording whose frame i holds i + 1 (no frame is
// silent), as internal samples.
std::vector<std::int32_t> Counting(std::int32_t first, std::int32_t count) {
    std::vector<std::int32_t> samples(count);
    for (std::int32_t i = 0; i < count; ++i) {
        samples[i] = ((first + i) % 30000 + 1) * 16;
    }
    return samples;
}

class LWaveReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "in.wav";

    LSoundSourcePtr Open(const std::string& bytes) {
        WriteFile(path, bytes);
        return OpenWaveFile(path);
    }
    LSoundSourcePtr OpenCounting(std::int32_t frames) {
        std::vector<std::int16_t> samples;
        for (std::int32_t x : Counting(0, frames)) {
            samples.push_back(static_cast<std::int16_t>(x / 16));
        }
        return Open(Pcm16File(1, 8000, samples));
    }
};

TEST_F(LWaveReaderTest, ConvertsEachWidthToInternalSamples) {
    struct Row {
        std::uint16_t bits;
        std::string sample;  // one sample's bytes
        std::int32_t internal;
    } rows[] = {
        {8, "\x80", 0},
        {8, "\xFF", 127 << 11},
        {8, std::string(1, '\0'), -128 << 11},
        {16, Le16(1), 16},
        {16, Le16(0x8000), -524288},
        {16, Le16(0x7FFF), 524272},
        {24, std::string("\x00\x01\x00", 3), 16},  // 256 / 16
        {24, std::string("\x08\x00\x00", 3), 1},   // rounds half up
        {24, std::string("\x00\x00\x80", 3), -524288},
        {24, std::string("\xFF\xFF\x7F", 3), 524272},  // held at the 16-bit peak
        {32, Le32(0x10000), 16},
        {32, Le32(0x80000000u), -524288},
        {32, Le32(0x7FFFFFFF), 524272},
    };
    for (const Row& row : rows) {
        const std::string fmt = Chunk("fmt ", FormatBody(1, 1, 8000, row.bits));
        LSoundSourcePtr source = Open(RiffWave(fmt + Chunk("data", row.sample + row.sample)));
        ASSERT_TRUE(source) << row.bits;
        EXPECT_EQ(source->GetLength(), 2) << row.bits;
        EXPECT_EQ(ReadAll(*source, 2), std::vector<std::int32_t>(2, row.internal)) << row.bits;
    }
}

TEST_F(LWaveReaderTest, ReadsOfAnySizeFromAnyFrameWithZerosAroundTheData) {
    LSoundSourcePtr source = OpenCounting(30000);
    EXPECT_EQ(ReadAll(*source, 20000, 20000), Counting(0, 20000));
    EXPECT_EQ(ReadAll(*source, 3), Counting(20000, 3));
    for (std::int32_t frame : {0, 1, 8191, 8192, 12345, 29999}) {
        source->Seek(frame);
        EXPECT_EQ(source->GetPosition(), frame);
        EXPECT_EQ(ReadAll(*source, 1), Counting(frame, 1)) << frame;
    }
    // Across the start and the end, and entirely before the start or past the end.
    source->Seek(-500);
    std::vector<std::int32_t> expected(500, 0);
    for (std::int32_t x : Counting(0, 500)) {
        expected.push_back(x);
    }
    EXPECT_EQ(ReadAll(*source, 1000, 1000), expected);
    EXPECT_EQ(source->GetPosition(), 500);
    source->Seek(29900);
    expected = Counting(29900, 100);
    expected.resize(300, 0);
    EXPECT_EQ(ReadAll(*source, 300, 300), expected);
    EXPECT_EQ(source->GetPosition(), 30200);
    source->Seek(-2000);
    EXPECT_EQ(ReadAll(*source, 2000, 1000), std::vector<std::int32_t>(2000, 0));
    EXPECT_EQ(ReadAll(*source, 1), Counting(0, 1));
    source->Seek(35000);
    EXPECT_EQ(ReadAll(*source, 1), std::vector<std::int32_t>{0});
    EXPECT_EQ(source->GetLength(), 30000);
}

TEST_F(LWaveReaderTest, TheLengthEndsAtTheLastWholeFramePresent) {
    // The header claims 100,000 data bytes; the file holds 60,000.
    LSoundSourcePtr source = Open(RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 16))) + "data" +
                                  Le32(100000) + std::string(60000, '\x01'));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetLength(), 30000);
    source->Seek(29999);
    EXPECT_EQ(ReadAll(*source, 2, 2), (std::vector<std::int32_t>{0x0101 * 16, 0}));
    // Stereo 16-bit: 3 whole frames and 2 bytes of a fourth.
    std::string data;
    for (std::uint16_t x : {1, 2, 3, 4, 5, 6, 7}) {
        data += Le16(x);
    }
    source = Open(RiffWave(Chunk("fmt ", FormatBody(1, 2, 8000, 16)) + Chunk("data", data)));
    EXPECT_EQ(source->GetLength(), 3);
    EXPECT_EQ(ReadAll(*source, 4, 4), (std::vector<std::int32_t>{16, 32, 48, 64, 80, 96, 0, 0}));
}

TEST_F(LWaveReaderTest, AGrowingFileIsReadToItsNewEnd) {
    LSoundSinkPtr writer = CreateWaveWriter(path, 8000, 0, 16, 1);
    const std::vector<std::int32_t> block = Counting(0, 1000);
    writer->Write(block.data(), 1000);
    LSoundSourcePtr source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetLength(), 1000);
    EXPECT_EQ(ReadAll(*source, 1000), block);
    EXPECT_EQ(ReadAll(*source, 500), std::vector<std::int32_t>(500, 0)) << "nothing more yet";
    source->Seek(200);
    writer->Write(block.data(), 1000);
    EXPECT_EQ(source->GetLength(), 1000) << "known to be beyond the position";
    // A seek or read that reaches the old length refreshes it and returns the new audio.
    source->Seek(1000);
    EXPECT_EQ(source->GetLength(), 2000);
    EXPECT_EQ(ReadAll(*source, 1000), block);
}

TEST_F(LWaveReaderTest, ReadsAlongWhileAnotherThreadAppends) {
    constexpr std::int32_t kFrames = 30000;
    LSoundSinkPtr writer = CreateWaveWriter(path, 8000, 0, 16, 1);
    LSoundSourcePtr source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    std::atomic<bool> done{false};
    std::thread appender([&] {
        for (std::int32_t at = 0; at < kFrames; at += 500) {
            writer->Write(Counting(at, 500).data(), 500);
            std::this_thread::yield();
        }
        done = true;
    });
    // Reads only what the length says is there; every frame must be the one written.
    std::int32_t position = 0;
    while (position < kFrames) {
        const std::int32_t available = std::min(source->GetLength() - position, 4096);
        if (available <= 0) {
            source->Seek(position);  // refreshes a length that the position has reached
            if (done && source->GetLength() <= position) {
                break;
            }
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(ReadAll(*source, available), Counting(position, available)) << position;
        position += available;
    }
    appender.join();
    EXPECT_EQ(position, kFrames);
}

}  // namespace
