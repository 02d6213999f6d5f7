// The PCM WAV reader: sample widths, short files, seeking and a file that grows while read.
#include "audio/files/LWaveReader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numeric>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

// Frames [first, first + count) of a mono recording of 30,000 frames whose frame i holds i + 1
// (no frame is silent), as internal samples; zeros outside the recording.
std::vector<std::int32_t> Counting(std::int32_t first, std::int32_t count) {
    std::vector<std::int32_t> samples(count);
    for (std::int32_t i = 0, f = first; i < count; ++i, ++f) {
        samples[i] = f >= 0 && f < 30000 ? (f + 1) * 16 : 0;
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
};

TEST_F(LWaveReaderTest, ConvertsEachWidthAndTheLengthEndsAtTheLastWholeFramePresent) {
    // Sample bytes as a little-endian number: 8 bits are unsigned, 24 bits round half up
    // (8 / 16) and hold at the 16-bit peak. Floating point (tag 3, also as the sub-format of
    // WAVE_FORMAT_EXTENSIBLE) has 1.0 at the 16-bit full scale and holds there too.
    const std::tuple<std::uint16_t, bool, std::uint16_t, std::uint64_t, std::int32_t> rows[] = {
        {1, false, 8, 0xFF, 127 << 11},
        {1, false, 8, 0, -128 << 11},
        {1, false, 16, 0x8000, -524288},
        {1, false, 24, 8, 1},
        {1, false, 24, 0x7FFFFF, 524272},
        {1, false, 32, 0x7FFFFFFF, 524272},
        {3, false, 32, std::bit_cast<std::uint32_t>(0.25f), 131072},
        {3, false, 32, std::bit_cast<std::uint32_t>(1.5f), 524272},
        {3, false, 32, std::bit_cast<std::uint32_t>(std::nanf("")), 0},
        {3, true, 64, std::bit_cast<std::uint64_t>(-3.0), -524288}};
    for (auto [tag, extensible, bits, sample, internal] : rows) {
        const std::string bytes =
            (Le32(std::uint32_t(sample)) + Le32(sample >> 32)).substr(0, bits / 8);
        const std::string format =
            extensible ? ExtensibleFormatBody(tag, 1, 8000, bits) : FormatBody(tag, 1, 8000, bits);
        LSoundSourcePtr source =
            Open(RiffWave(Chunk("fmt ", format) + Chunk("data", bytes + bytes)));
        ASSERT_TRUE(source) << bits;
        EXPECT_EQ(source->GetLength(), 2) << bits;
        EXPECT_EQ(ReadAll(*source, 2), std::vector<std::int32_t>(2, internal))
            << bits << " " << sample;
    }
    // The header claims 100,000 data bytes; the file holds 60,000.
    LSoundSourcePtr source = Open(RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 16))) + "data" +
                                  Le32(100000) + std::string(60000, '\x01'));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetLength(), 30000);
    source->Seek(29999);
    EXPECT_EQ(ReadAll(*source, 2, 2), (std::vector<std::int32_t>{0x0101 * 16, 0}));
    // Stereo 16-bit: 3 whole frames and 2 bytes of a fourth.
    source = Open(Pcm16File(2, 8000, {1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(source->GetLength(), 3);
    EXPECT_EQ(ReadAll(*source, 4, 4), (std::vector<std::int32_t>{16, 32, 48, 64, 80, 96, 0, 0}));
}

TEST_F(LWaveReaderTest, ReadsOfAnySizeFromAnyFrameWithZerosAroundTheData) {
    std::vector<std::int16_t> samples(30000);
    std::iota(samples.begin(), samples.end(), 1);
    LSoundSourcePtr source = Open(Pcm16File(1, 8000, samples));
    EXPECT_EQ(ReadAll(*source, 20000, 20000), Counting(0, 20000));
    EXPECT_EQ(ReadAll(*source, 3), Counting(20000, 3));
    // Within, across the start or the end, and entirely before the start or past the end; each
    // from a seek unless the reads before got there.
    const std::pair<std::int32_t, std::int32_t> reads[] = {
        {0, 1},       {1, 1},       {8191, 1},     {8192, 1}, {29999, 1},
        {-500, 1000}, {29900, 300}, {-2000, 2000}, {0, 1},    {35000, 1}};
    for (auto [frame, count] : reads) {
        if (source->GetPosition() != frame) {
            source->Seek(frame);
        }
        EXPECT_EQ(ReadAll(*source, count, count), Counting(frame, count)) << frame;
        EXPECT_EQ(source->GetPosition(), frame + count);
    }
    EXPECT_EQ(source->GetLength(), 30000);
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

}  // namespace
