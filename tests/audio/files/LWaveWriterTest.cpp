// The PCM WAV writer: header, periodic rewrite, start frame, truncation, widths and narrowing.
#include "audio/files/LWaveWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/files/WaveWriters.h"
#include "support/FifoDeadline.h"
#include "support/TempDir.h"

namespace {

class LWaveWriterTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "out.wav";
    std::string Bytes() const { return ReadFile(path); }
    std::uint32_t DataSizeField() const { return Le32At(Bytes(), 42); }
    LSoundSinkPtr Create(std::int32_t start = 0, std::int32_t bits = 16,
                         std::int32_t channels = 1) {
        return CreateWaveWriter(path, 8000, start, bits, channels);
    }
    // Writes frames [first, first + frames) of a pattern (frame i = i % 1000 * 16 on every
    // channel) in writes of `block` frames.
    static void WriteRamp(LSoundSink& sink, std::int32_t first, std::int32_t frames,
                          std::int32_t block = 1000) {
        std::vector<std::int32_t> buffer(std::size_t(block) * sink.channels);
        for (std::int32_t done = 0; done < frames; done += block) {
            const std::int32_t n = std::min(block, frames - done);
            for (std::int32_t i = 0; i < n * sink.channels; ++i) {
                buffer[i] = (first + done + i / sink.channels) % 1000 * 16;
            }
            sink.Write(buffer.data(), n);
        }
    }
};

TEST_F(LWaveWriterTest, HeaderIsProvisionalWhileOpenRewrittenAfterSixteenSecondsAndFinalAtRelease) {
    LSoundSinkPtr writer = Create(0, 16, 2);
    ASSERT_FALSE(writer->IsInvalid());
    WriteRamp(*writer, 0, 20000, 20000);
    const std::string open = Bytes();
    ASSERT_EQ(open.size(), 46u + 80000);
    // PCM, 2 channels, 8,000 Hz, 32,000 bytes per second, block align 4, 16 bits, no extra;
    // the data size 32 seconds ahead of what was there at the last header write (creation).
    EXPECT_EQ(open.substr(0, 46), "RIFF" + Le32(8000 * 32 * 4 + 38) + "WAVEfmt " + Le32(18) +
                                      Le16(1) + Le16(2) + Le32(8000) + Le32(32000) + Le16(4) +
                                      Le16(16) + Le16(0) + "data" + Le32(8000 * 32 * 4));
    writer.Release();
    const std::string closed = Bytes();
    EXPECT_EQ(std::tuple(closed.size(), Le32At(closed, 4), Le32At(closed, 42)),
              std::tuple(80046u, 80038u, 80000u));
    for (std::int32_t frame : {0, 999, 8191, 8192, 16384, 19999}) {
        EXPECT_EQ(Le16At(closed, 46 + 4 * frame + 2), frame % 1000) << frame;
    }
    // Mono: the header is rewritten only after sixteen seconds of audio.
    writer = Create();
    WriteRamp(*writer, 0, 128000, 8000);
    EXPECT_EQ(DataSizeField(), 8000u * 32 * 2) << "exactly 16 s written: no rewrite yet";
    WriteRamp(*writer, 128000, 1);
    EXPECT_EQ(DataSizeField(), (8000u * 32 + 128001) * 2);
    // From then on the header claims 16 to 32 seconds more than the file holds.
    for (int i = 0; i < 60; ++i) {
        WriteRamp(*writer, writer->position, 7000, 7000);
        const std::uint32_t written = std::uint32_t(writer->position) * 2;
        ASSERT_GE(DataSizeField(), written + 16 * 8000 * 2) << i;
        ASSERT_LE(DataSizeField(), written + 32 * 8000 * 2) << i;
    }
    writer.Release();
    EXPECT_EQ(DataSizeField(), (128001u + 60 * 7000) * 2);
}

TEST_F(LWaveWriterTest, AStartFrameKeepsTheAudioBeforeItAndTruncateCutsBackButNeverForward) {
    WriteRamp(*Create(), 0, 5000);
    const std::string original = Bytes();
    LSoundSinkPtr retake = Create(1000);
    const auto state = [&] { return std::tuple(retake->position, Bytes().size()); };
    EXPECT_EQ(state(), std::tuple(1000, 46u + 2000));
    const std::vector<std::int32_t> loud(600, 1000 * 16);
    retake->Write(loud.data(), 600);
    retake->Truncate(5000);
    EXPECT_EQ(state(), std::tuple(1600, 46u + 3200));
    retake->Truncate(1500);
    EXPECT_EQ(state(), std::tuple(1500, 46u + 3000));
    EXPECT_EQ(DataSizeField(), (8000u * 32 + 1500) * 2);
    retake.Release();
    const std::string after = Bytes();
    ASSERT_EQ(std::tuple(after.size(), Le32At(after, 42)), std::tuple(46u + 3000, 3000u));
    EXPECT_EQ(after.substr(46, 2000), original.substr(46, 2000));
    EXPECT_EQ(std::tuple(Le16At(after, 46 + 2000), Le16At(after, 46 + 2998)),
              std::tuple(1000, 1000));
    // Start 0 empties the file, as a negative truncation does; a start beyond its end pads with
    // silence, a negative one is 0.
    LSoundSinkPtr fresh = Create();
    EXPECT_EQ(Bytes().size(), 46u);
    WriteRamp(*fresh, 0, 10);
    fresh->Truncate(-5);
    EXPECT_EQ(fresh->position, 0);
    fresh.Release();
    EXPECT_EQ(std::tuple(Bytes().size(), DataSizeField()), std::tuple(46u, 0u));
    Create(300).Release();
    EXPECT_EQ(Bytes().substr(46), std::string(600, '\0'));
    EXPECT_EQ(Create(-20)->position, 0);
}

TEST_F(LWaveWriterTest, AFailedOpenOrWriteKeepsWhatIsOnDiskTheHeaderSaysSoAndNothingMoreComes) {
    // An unopenable file gives an invalid writer that only counts.
    LSoundSinkPtr writer = CreateWaveWriter(dir / "missing/folder.wav", 8000, 0, 16, 1);
    ASSERT_TRUE(writer && writer->IsInvalid());
    EXPECT_EQ(writer->error, ENOENT);
    WriteRamp(*writer, 0, 1500);
    EXPECT_EQ(writer->position, 1500);
    writer->Truncate(10);
    writer.Release();
    EXPECT_FALSE(Exists(dir / "missing/folder.wav"));
    EXPECT_TRUE(Create(0, 16, 0)->IsInvalid());
    EXPECT_FALSE(Exists(path));
    // Only regular files are written, and none is waited for.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const std::string& target : {dir / "fifo", std::string("/dev/null")}) {
        RunWithFifoDeadline(dir / "fifo", [&] {
            EXPECT_TRUE(CreateWaveWriter(target, 8000, 0, 16, 1)->HasFailed()) << target;
        });
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
    {
        // The header fits; the 1,000 frames kept before the start frame do not.
        ScopedFileSizeLimit full(100);
        EXPECT_EQ(Create(1000)->error, EFBIG);
    }
    // A failed write through a sink filter: the whole frames stay, the header says so, and
    // nothing more comes.
    writer = Create(0, 16, 2);
    auto filter = MakeCounted<LSoundSinkFilter>(writer);
    {
        ScopedFileSizeLimit full(46 + 500 * 4 + 2);  // 500 frames and half of one
        WriteRamp(*filter, 0, 1200, 400);
    }
    EXPECT_EQ(std::tuple(writer->error, writer->position), std::tuple(EFBIG, 500));
    EXPECT_EQ(std::tuple(filter->error, filter->position), std::tuple(EFBIG, 500));
    EXPECT_EQ(std::tuple(Bytes().size(), DataSizeField()), std::tuple(46u + 2000, 2000u));
    // With room again: no more frames, and no truncation beyond what the file holds.
    WriteRamp(*writer, 500, 100);
    writer->Truncate(1100);
    EXPECT_EQ(std::tuple(writer->position, Bytes().size()), std::tuple(500, 46u + 2000));
    writer->Truncate(300);
    filter.Release();
    writer.Release();
    EXPECT_EQ(std::tuple(Bytes().size(), DataSizeField()), std::tuple(46u + 1200, 1200u));
}

TEST_F(LWaveWriterTest, BitsPerSampleChoosesTheWidthAndSamplesNarrowWithoutSaturation) {
    const std::tuple<int, int, int> widths[] = {{0, 8, 0x3F800},   {8, 8, 0x3F800},
                                                {9, 16, 0x7FFF0},  {16, 16, 0x7FFF0},
                                                {17, 32, 0x7FFF0}, {32, 32, 0x7FFF0}};
    for (auto [bits, fileBits, peakBound] : widths) {
        LSoundSinkPtr writer = Create(0, bits, 2);
        EXPECT_EQ(writer->peakBound, peakBound) << bits;
        writer.Release();
        // Bits, block align and bytes per second of 2 channels.
        EXPECT_EQ(Bytes().substr(28, 8),
                  Le32(8000 * fileBits / 4) + Le16(fileBits / 4) + Le16(std::uint16_t(fileBits)))
            << bits;
    }
    // The file's bytes, little-endian.
    const std::tuple<int, std::int32_t, std::uint32_t> samples[] = {
        {8, 0, 128u},          {8, 1023, 128u},       {8, 1024, 129u}, {8, 260096, 255u},
        {8, -262144, 0u},      {16, 7, 0u},           {16, 8, 1u},     {16, -9, 0xFFFFu},
        {16, 524279, 0x7FFFu}, {16, 524280, 0x8000u}, {32, 1, 4096u},  {32, -1, 0xFFFFF000u}};
    for (auto [bits, sample, stored] : samples) {
        LSoundSinkPtr writer = Create(0, bits);
        writer->Write(&sample, 1);
        writer.Release();
        EXPECT_EQ(Bytes().substr(46), Le32(stored).substr(0, bits / 8))
            << bits << " bits, " << sample;
    }
}

}  // namespace
