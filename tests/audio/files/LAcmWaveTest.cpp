// Compressed WAV files: writer layout and failures, round trips, seeking, length, sox's files.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/dsp/TestSources.h"
#include "audio/files/G711.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

class LAcmWaveTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "coded.wav";
    void WriteAll(const WaveFormatRecord& format, const std::vector<std::int32_t>& samples) {
        LSoundSinkPtr writer = CreateWaveWriterForFormat(path, format);
        ASSERT_FALSE(writer->IsInvalid());
        const std::int32_t frames = std::int32_t(samples.size() / format.channels);
        for (std::int32_t done = 0; done < frames; done += 4000) {
            writer->Write(samples.data() + std::size_t(done) * format.channels,
                          std::min(4000, frames - done));
        }
        EXPECT_EQ(writer->position, frames);
    }
};

// The sizes of a finished file are checked with its length and with a failed write.
TEST_F(LAcmWaveTest, TheRecordIsStoredAndAFailedWriteKeepsTheWholeBlocksOnDiskAndTheHeaderSaysSo) {
    // A format chunk of 18 + extra size 2 bytes holding the record; no data size while open.
    const std::vector<std::uint8_t> record = ImaAdpcmFormat(8000, 1).Serialize();
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, ImaAdpcmFormat(8000, 1));
    std::string bytes = ReadFile(path);
    EXPECT_EQ(
        std::tuple(Le32At(bytes, 16), bytes.substr(20, 20), bytes.substr(40, 4), Le32At(bytes, 44)),
        std::tuple(20u, std::string(record.begin(), record.end()), "data", 0u));
    {
        ScopedFileSizeLimit full(20);
        EXPECT_EQ(CreateWaveWriterForFormat(dir / "header.wav", ImaAdpcmFormat(8000, 1))->error,
                  EFBIG);
    }
    // IMA ADPCM blocks of 256 bytes hold 505 frames: room for two blocks and part of a third.
    const std::vector<std::int32_t> samples = Sine(300, 8000, 24000, 300000);
    {
        ScopedFileSizeLimit full(48 + 2 * 256 + 100);
        writer->Write(samples.data(), 24000);
    }
    EXPECT_EQ(std::tuple(writer->error, writer->position), std::tuple(EFBIG, 2 * 505));
    writer->Write(samples.data(), 1000);
    writer.Release();
    bytes = ReadFile(path);
    EXPECT_EQ(std::tuple(bytes.size(), Le32At(bytes, 44), Le32At(bytes, 4)),
              std::tuple(48u + 512, 512u, 40u + 512));
    CreateWaveWriterForFormat(path, Pcm16Format(16000, 2)).Release();
    EXPECT_EQ(ReadFile(path).size(), 46u);  // the PCM writer's header
    // Microsoft ADPCM has no encoder: the writer only counts, and leaves a header.
    WaveFormatRecord msAdpcm = ImaAdpcmFormat(8000, 1);
    msAdpcm.formatTag = 2;
    writer = CreateWaveWriterForFormat(path, msAdpcm);
    EXPECT_TRUE(writer->IsInvalid());
    writer->Write(samples.data(), 100);
    EXPECT_EQ(writer->position, 100);
    writer.Release();
    bytes = ReadFile(path);
    EXPECT_EQ(std::tuple(bytes.size(), Le32At(bytes, 44)), std::tuple(48u, 0u));
}

// A seek lands on the exact frame: reading on from it gives what a straight read gave there.
TEST_F(LAcmWaveTest, RoundTripsThroughWriterAndReaderAndSeeksToTheExactFrame) {
    const std::int32_t frames = 20003;
    const std::vector<std::int32_t> samples =
        Stereo(Sine(300, 11025, frames, 300000), Sine(770, 11025, frames, 300000));
    for (const WaveFormatRecord& codec :
         {G711Format(kWaveFormatMulaw, 11025, 2), G711Format(kWaveFormatAlaw, 11025, 2),
          ImaAdpcmFormat(11025, 2)}) {
        const int tag = codec.formatTag;
        WriteAll(codec, samples);
        WaveFormatRecord format;
        LSoundSourcePtr source = OpenWaveFile(path, &format);
        ASSERT_TRUE(source && !source->IsInvalid()) << tag;
        EXPECT_EQ(std::tuple(format.formatTag, source->channels, source->sampleRate),
                  std::tuple(tag, 2, 11025));
        const std::vector<std::int32_t> decoded = ReadAll(*source, frames, 3000);
        double signal = 0, noise = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            // The writers round internal samples to 16 bits.
            const auto sixteen = static_cast<std::int16_t>((samples[i] + 8) >> 4);
            if (tag != kWaveFormatImaAdpcm) {
                const std::int16_t expected = tag == kWaveFormatMulaw
                                                  ? MulawToLinear(LinearToMulaw(sixteen))
                                                  : AlawToLinear(LinearToAlaw(sixteen));
                ASSERT_EQ(decoded[i], expected * 16) << tag << " sample " << i;
            }
            signal += double(samples[i]) * samples[i];
            noise += double(decoded[i] - samples[i]) * (decoded[i] - samples[i]);
        }
        EXPECT_GT(10 * std::log10(signal / noise), tag == kWaveFormatImaAdpcm ? 25.0 : 35.0);
        const auto at = [&](std::int32_t frame, std::int32_t count) {
            return std::vector<std::int32_t>(decoded.begin() + 2 * frame,
                                             decoded.begin() + 2 * (frame + count));
        };
        for (std::int32_t frame : {0, 1, 504, 505, 506, 7777, frames - 50, 3}) {
            source->Seek(frame);
            EXPECT_EQ(source->GetPosition(), frame);
            EXPECT_EQ(ReadAll(*source, 50), at(frame, 50)) << tag << " at " << frame;
            EXPECT_EQ(source->GetPosition(), frame + 50);
        }
        // Before the start: silence, then the first frames; at or past the end: silence.
        source->Seek(-300);
        std::vector<std::int32_t> expected = at(0, 300);
        expected.insert(expected.begin(), 600, 0);
        EXPECT_EQ(ReadAll(*source, 600), expected) << tag;
        source->Seek(frames + 5000);
        EXPECT_EQ(ReadAll(*source, 100), std::vector<std::int32_t>(200, 0)) << tag;
        EXPECT_EQ(source->GetPosition(), frames + 5100);
    }
}

TEST_F(LAcmWaveTest, TheLengthIsEstimatedFromTheHeaderUntilTheEndIsDecoded) {
    // IMA: 47 blocks and a short one of 136 bytes, at 4,055 bytes per second 24,005 frames.
    // Decoding the last block makes it exact: 47 * 505 + 1 + 33 * 8 frames.
    WriteAll(ImaAdpcmFormat(8000, 1), Sine(300, 8000, 24000, 300000));
    ASSERT_EQ(Le32At(ReadFile(path), 44), 47 * 256u + 136);
    LSoundSourcePtr source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), 24005);
    ReadAll(*source, 8000 * 3 + 100);
    EXPECT_EQ(source->GetLength(), 47 * 505 + 1 + 33 * 8);
    // A-law data cut short ends the read with silence and an exact length; the header still
    // says 5,000 bytes.
    WriteAll(G711Format(kWaveFormatAlaw, 8000, 1), Sine(300, 8000, 5000, 300000));
    WriteFile(path, ReadFile(path).substr(0, 46 + 3000));
    source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), 5000) << "estimated from the header";
    const std::vector<std::int32_t> got = ReadAll(*source, 4000, 4000);
    EXPECT_NE(got[2999], 0);
    EXPECT_EQ(std::vector<std::int32_t>(got.begin() + 3000, got.end()),
              std::vector<std::int32_t>(1000, 0));
    EXPECT_EQ(source->GetLength(), 3000);
}

// sox is the independent oracle for the layout of each codec, which the round trips only check
// against our own encoders.
TEST_F(LAcmWaveTest, SoxEncodedFilesDecodeAsSoxDecodesThem) {
    if (std::system("sox --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    const auto read = [&](const std::string& file) {
        LSoundSourcePtr source = OpenWaveFile(file);
        EXPECT_TRUE(source && !source->IsInvalid()) << file;
        return source ? ReadAll(*source, 10400) : std::vector<std::int32_t>();
    };
    const std::string reference = dir / "reference.wav";
    for (const char* encoding : {"u-law", "a-law", "ima-adpcm"}) {
        const std::string command = "sox -D -V1 -n -r 8000 -c 2 -e " + std::string(encoding) +
                                    " '" + path + "' synth 1.3 sine 440 sine 1250 vol 0.7 && " +
                                    "sox -D -V1 '" + path + "' -e signed-integer -b 16 '" +
                                    reference + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        // sox fills its last IMA block; the frames up to the stated length must agree.
        EXPECT_EQ(read(path), read(reference)) << encoding;
    }
}

}  // namespace
