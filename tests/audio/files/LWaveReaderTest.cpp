// The PCM WAV reader: sample widths, zeros around the data, seeking, short files and a file
// that grows while it is read.
#include "audio/files/LWaveReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

class LWaveReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "in.wav";

    // A mono 16-bit file whose frame i holds i + 1 (so no frame is silent).
    LSoundSourcePtr OpenCounting(int frames) {
        std::vector<std::int16_t> samples(frames);
        for (int i = 0; i < frames; ++i) {
            samples[i] = static_cast<std::int16_t>(i + 1);
        }
        WriteFile(path, Pcm16File(1, 8000, samples));
        return OpenWaveFile(path);
    }

    static std::vector<std::int32_t> Read(LSoundSource& source, std::int32_t frames) {
        std::vector<std::int32_t> buffer(std::size_t(frames) * source.channels, -1);
        source.Read(buffer.data(), frames);
        return buffer;
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
        std::string fmt = FormatBody(1, 1, 8000, row.bits);
        WriteFile(path, RiffWave(Chunk("fmt ", fmt) + Chunk("data", row.sample + row.sample)));
        LSoundSourcePtr source = OpenWaveFile(path);
        ASSERT_TRUE(source) << row.bits;
        EXPECT_EQ(source->GetLength(), 2) << row.bits;
        EXPECT_EQ(Read(*source, 2), std::vector<std::int32_t>(2, row.internal))
            << row.bits << " bits";
    }
}

TEST_F(LWaveReaderTest, ReadsBeforeTheStartAndPastTheEndGiveZeros) {
    LSoundSourcePtr source = OpenCounting(600);
    source->Seek(-500);
    std::vector<std::int32_t> got = Read(*source, 1000);
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(got[i], 0) << i;
    }
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(got[500 + i], (i + 1) * 16) << i;
    }
    EXPECT_EQ(source->GetPosition(), 500);
    got = Read(*source, 300);
    EXPECT_EQ(got[99], 600 * 16);
    EXPECT_EQ(got[100], 0);
    EXPECT_EQ(got[299], 0);
    EXPECT_EQ(source->GetPosition(), 800);
    // Entirely before the start.
    source->Seek(-2000);
    EXPECT_EQ(Read(*source, 1000), std::vector<std::int32_t>(1000, 0));
    EXPECT_EQ(Read(*source, 1000), std::vector<std::int32_t>(1000, 0));
    EXPECT_EQ(Read(*source, 1)[0], 16);
}

TEST_F(LWaveReaderTest, SeekMovesToTheFrame) {
    LSoundSourcePtr source = OpenCounting(20000);
    for (std::int32_t frame : {0, 1, 8191, 8192, 12345, 19999}) {
        source->Seek(frame);
        EXPECT_EQ(source->GetPosition(), frame);
        EXPECT_EQ(Read(*source, 1)[0], (frame + 1) * 16) << frame;
    }
    source->Seek(25000);
    EXPECT_EQ(Read(*source, 1)[0], 0);
    EXPECT_EQ(source->GetLength(), 20000);
}

TEST_F(LWaveReaderTest, ReadsOfAnySizeAreWholeAndSequential) {
    LSoundSourcePtr source = OpenCounting(30000);
    std::vector<std::int32_t> got = Read(*source, 20000);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(got[i], (i + 1) * 16) << i;
    }
    got = Read(*source, 3);
    EXPECT_EQ(got, (std::vector<std::int32_t>{20001 * 16, 20002 * 16, 20003 * 16}));
}

TEST_F(LWaveReaderTest, LengthIsClampedToTheDataPresent) {
    // The header claims 100,000 data bytes; the file holds 60,000.
    std::string data(60000, '\x01');
    WriteFile(path,
              RiffWave(Chunk("fmt ", FormatBody(1, 1, 8000, 16))) + "data" + Le32(100000) + data);
    LSoundSourcePtr source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetLength(), 30000);
    source->Seek(29999);
    std::vector<std::int32_t> got = Read(*source, 2);
    EXPECT_EQ(got[0], 0x0101 * 16);
    EXPECT_EQ(got[1], 0);
}

TEST_F(LWaveReaderTest, AFrameCutShortByTheFileEndIsSilent) {
    // Stereo 16-bit: 3 whole frames and 2 bytes of a fourth.
    std::string data = Le16(1) + Le16(2) + Le16(3) + Le16(4) + Le16(5) + Le16(6) + Le16(7);
    WriteFile(path, RiffWave(Chunk("fmt ", FormatBody(1, 2, 8000, 16)) + Chunk("data", data)));
    LSoundSourcePtr source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), 3);
    EXPECT_EQ(Read(*source, 4), (std::vector<std::int32_t>{16, 32, 48, 64, 80, 96, 0, 0}));
}

TEST_F(LWaveReaderTest, AGrowingFileIsReadToItsNewEnd) {
    LSoundSinkPtr writer = CreateWaveWriter(path, 8000, 0, 16, 1);
    std::vector<std::int32_t> block(1000);
    for (int i = 0; i < 1000; ++i) {
        block[i] = (i + 1) * 16;
    }
    writer->Write(block.data(), 1000);
    LSoundSourcePtr source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(Read(*source, 1000), block);
    EXPECT_EQ(Read(*source, 500), std::vector<std::int32_t>(500, 0)) << "nothing more yet";
    writer->Write(block.data(), 1000);
    // The read beyond the old length refreshes it and returns the new audio.
    source->Seek(1000);
    EXPECT_EQ(Read(*source, 1000), block);
    EXPECT_EQ(source->GetLength(), 2000);
}

TEST_F(LWaveReaderTest, ReadsAlongWhileAnotherThreadAppends) {
    constexpr int kBlocks = 60;
    constexpr int kBlockFrames = 500;
    LSoundSinkPtr writer = CreateWaveWriter(path, 8000, 0, 16, 1);
    LSoundSourcePtr source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    std::atomic<bool> done{false};
    std::thread appender([&] {
        std::vector<std::int32_t> block(kBlockFrames);
        for (int b = 0; b < kBlocks; ++b) {
            for (int i = 0; i < kBlockFrames; ++i) {
                block[i] = ((b * kBlockFrames + i) % 30000 + 1) * 16;
            }
            writer->Write(block.data(), kBlockFrames);
            std::this_thread::yield();
        }
        done = true;
    });
    // Reads only what the length says is there; every frame must be the one written.
    std::int32_t position = 0;
    std::vector<std::int32_t> buffer(4096);
    while (position < kBlocks * kBlockFrames) {
        std::int32_t available = source->GetLength() - position;
        if (available <= 0) {
            source->Seek(position);  // refreshes a length that the position has reached
            if (done && source->GetLength() <= position) {
                break;
            }
            std::this_thread::yield();
            continue;
        }
        std::int32_t n = std::min<std::int32_t>(available, 4096);
        source->Read(buffer.data(), n);
        for (std::int32_t i = 0; i < n; ++i) {
            ASSERT_EQ(buffer[i], ((position + i) % 30000 + 1) * 16) << position + i;
        }
        position += n;
    }
    appender.join();
    EXPECT_EQ(position, kBlocks * kBlockFrames);
}

}  // namespace
