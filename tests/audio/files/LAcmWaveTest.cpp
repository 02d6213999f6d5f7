// Compressed WAV files: the writer's layout, round trips through writer and reader for every
// codec, and the reader's length, block seeking and end handling.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/dsp/TestSources.h"
#include "audio/files/G711.h"
#include "audio/files/LAcmWaveReader.h"
#include "audio/files/LAcmWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

// A tone of 300 Hz, and in stereo one of 770 Hz on the right.
std::vector<std::int32_t> Tones(std::int32_t frames, std::uint16_t channels, std::int32_t rate) {
    const std::vector<std::int32_t> left = Sine(300, rate, frames, 300000);
    return channels == 1 ? left : Stereo(left, Sine(770, rate, frames, 300000));
}

// 16-bit samples as internal ones, rounded as the writers round them.
std::int16_t Sixteen(std::int32_t sample) {
    return static_cast<std::int16_t>((sample + 8) >> 4);
}

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

TEST_F(LAcmWaveTest, WriterLayoutCarriesTheFormatRecordFinalSizesAndCodedSamples) {
    const WaveFormatRecord ima = ImaAdpcmFormat(8000, 1);
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, ima);
    const std::vector<std::int32_t> samples = Tones(1000, 1, 8000);
    writer->Write(samples.data(), 1000);
    // A format chunk of 18 + extra size 2 bytes, and no data size while open.
    const std::string open = ReadFile(path);
    EXPECT_EQ(std::tuple(Le32At(open, 16), open.substr(40, 4), Le32At(open, 44), Le32At(open, 4)),
              std::tuple(20u, "data", 0u, 40u));
    writer.Release();
    // One block of 505 frames and a short block for 495: 4 + ceil(494 / 8) * 4 bytes.
    const std::uint32_t data = 256 + 4 + 62 * 4;
    const std::string closed = ReadFile(path);
    EXPECT_EQ(std::tuple(closed.size(), Le32At(closed, 44), Le32At(closed, 4)),
              std::tuple(48 + data, data, 40 + data));
    const std::vector<std::uint8_t> record = ima.Serialize();
    EXPECT_EQ(closed.substr(20, 20), std::string(record.begin(), record.end()));
    // G.711 stores the companded 16-bit samples after a record of 18 bytes.
    writer = CreateWaveWriterForFormat(path, G711Format(kWaveFormatMulaw, 8000, 1));
    const std::vector<std::int32_t> loud = {0, 16000, -16000, 524272, 7, 8};
    writer->Write(loud.data(), 6);
    writer.Release();
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 46u + 6);
    EXPECT_EQ(Le32At(bytes, 16), 18u);
    for (std::size_t i = 0; i < loud.size(); ++i) {
        EXPECT_EQ(std::uint8_t(bytes[46 + i]), LinearToMulaw(Sixteen(loud[i]))) << i;
    }
}

TEST_F(LAcmWaveTest, PcmRecordsGetThePcmWriterAndUnencodableOnesAHeaderOnlyFile) {
    CreateWaveWriterForFormat(path, Pcm16Format(16000, 2)).Release();
    std::string bytes = ReadFile(path);
    EXPECT_EQ(std::tuple(bytes.size(), Le16At(bytes, 20), Le16At(bytes, 34), Le32At(bytes, 24)),
              std::tuple(46u, 1, 16, 16000u));
    WaveFormatRecord msAdpcm = ImaAdpcmFormat(8000, 1);
    msAdpcm.formatTag = 2;
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, msAdpcm);
    EXPECT_TRUE(writer->IsInvalid());
    const std::vector<std::int32_t> samples(100, 1600);
    writer->Write(samples.data(), 100);
    EXPECT_EQ(writer->position, 100);
    writer.Release();
    bytes = ReadFile(path);
    EXPECT_EQ(std::tuple(bytes.size(), Le32At(bytes, 44)), std::tuple(48u, 0u));
}

TEST_F(LAcmWaveTest, AFailedWriteKeepsTheWholeBlocksOnDiskAndTheHeaderSaysSo) {
    // IMA ADPCM blocks of 256 bytes hold 505 frames: room for two blocks and part of a third.
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, ImaAdpcmFormat(8000, 1));
    const std::vector<std::int32_t> samples = Tones(24000, 1, 8000);
    {
        ScopedFileSizeLimit full(48 + 2 * 256 + 100);
        writer->Write(samples.data(), 24000);
    }
    EXPECT_EQ(std::tuple(writer->error, writer->position), std::tuple(EFBIG, 2 * 505));
    writer->Write(samples.data(), 1000);
    writer.Release();
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(std::tuple(bytes.size(), Le32At(bytes, 44), Le32At(bytes, 4)),
              std::tuple(48u + 512, 512u, 40u + 512));
}

const WaveFormatRecord kCodecs[] = {G711Format(kWaveFormatMulaw, 11025, 2),
                                    G711Format(kWaveFormatAlaw, 11025, 2),
                                    ImaAdpcmFormat(11025, 2)};

TEST_F(LAcmWaveTest, RoundTripsThroughWriterAndReader) {
    const std::int32_t frames = 20003;
    const std::vector<std::int32_t> samples = Tones(frames, 2, 11025);
    for (const WaveFormatRecord& codec : kCodecs) {
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
            const std::int16_t sixteen = Sixteen(samples[i]);
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
    }
}

TEST_F(LAcmWaveTest, SeekingLandsOnTheExactFrame) {
    const std::int32_t frames = 12000;
    for (const WaveFormatRecord& codec : kCodecs) {
        WriteAll(codec, Tones(frames, 2, 11025));
        const std::vector<std::int32_t> reference = ReadAll(*OpenWaveFile(path), frames + 100);
        const auto at = [&](std::int32_t frame, std::int32_t count) {
            return std::vector<std::int32_t>(reference.begin() + 2 * frame,
                                             reference.begin() + 2 * (frame + count));
        };
        LSoundSourcePtr source = OpenWaveFile(path);
        for (std::int32_t frame : {0, 1, 504, 505, 506, 7777, 11990, 3}) {
            source->Seek(frame);
            EXPECT_EQ(source->GetPosition(), frame);
            EXPECT_EQ(ReadAll(*source, 50), at(frame, 50)) << codec.formatTag << " at " << frame;
            EXPECT_EQ(source->GetPosition(), frame + 50);
        }
        // Before the start: silence, then the first frames.
        source->Seek(-300);
        std::vector<std::int32_t> expected = at(0, 300);
        expected.insert(expected.begin(), 600, 0);
        EXPECT_EQ(ReadAll(*source, 600), expected) << codec.formatTag;
        // At or past the end: silence.
        source->Seek(frames + 5000);
        EXPECT_EQ(ReadAll(*source, 100), std::vector<std::int32_t>(200, 0)) << codec.formatTag;
        EXPECT_EQ(source->GetPosition(), frames + 5100);
    }
}

TEST_F(LAcmWaveTest, TheLengthIsEstimatedFromTheHeaderUntilTheEndIsDecoded) {
    // IMA: 47 blocks and a short one of 136 bytes, at 4,055 bytes per second 24,005 frames.
    // Decoding the last block makes it exact: 47 * 505 + 1 + 33 * 8 frames.
    WriteAll(ImaAdpcmFormat(8000, 1), Tones(8000 * 3, 1, 8000));
    ASSERT_EQ(Le32At(ReadFile(path), 44), 47 * 256u + 136);
    LSoundSourcePtr source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), 24005);
    ReadAll(*source, 8000 * 3 + 100);
    EXPECT_EQ(source->GetLength(), 47 * 505 + 1 + 33 * 8);
    // A-law data cut short ends the read with silence and an exact length; the header still
    // says 5,000 bytes.
    WriteAll(G711Format(kWaveFormatAlaw, 8000, 1), Tones(5000, 1, 8000));
    WriteFile(path, ReadFile(path).substr(0, 46 + 3000));
    source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), 5000) << "estimated from the header";
    const std::vector<std::int32_t> got = ReadAll(*source, 4000, 4000);
    EXPECT_NE(got[2999], 0);
    EXPECT_EQ(std::vector<std::int32_t>(got.begin() + 3000, got.end()),
              std::vector<std::int32_t>(1000, 0));
    EXPECT_EQ(source->GetLength(), 3000);
}

}  // namespace
