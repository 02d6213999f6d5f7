// Compressed WAV files: the writer's layout, and round trips through the writer and the reader
// for every codec, with the reader's length, block seeking and end handling.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/files/G711.h"
#include "audio/files/LAcmWaveReader.h"
#include "audio/files/LAcmWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "support/TempDir.h"

namespace {

// Interleaved internal samples of two tones, a different one per channel.
std::vector<std::int32_t> Tones(std::int32_t frames, std::uint16_t channels, double rate) {
    std::vector<std::int32_t> samples(std::size_t(frames) * channels);
    for (std::int32_t i = 0; i < frames; ++i) {
        for (std::uint16_t c = 0; c < channels; ++c) {
            double f = 300.0 + 470.0 * c;
            samples[std::size_t(i) * channels + c] =
                static_cast<std::int32_t>(300000 * std::sin(2 * std::numbers::pi * f * i / rate));
        }
    }
    return samples;
}

std::vector<std::int32_t> ReadAll(LSoundSource& source, std::int32_t frames,
                                  std::int32_t chunk = 3000) {
    std::vector<std::int32_t> all(std::size_t(frames) * source.channels);
    for (std::int32_t done = 0; done < frames; done += chunk) {
        source.Read(all.data() + std::size_t(done) * source.channels,
                    std::min(chunk, frames - done));
    }
    return all;
}

void WriteAll(const std::string& path, const WaveFormatRecord& format,
              const std::vector<std::int32_t>& samples, std::int32_t chunk = 4000) {
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, format);
    ASSERT_FALSE(writer->IsInvalid());
    const std::int32_t frames = std::int32_t(samples.size() / format.channels);
    for (std::int32_t done = 0; done < frames; done += chunk) {
        writer->Write(samples.data() + std::size_t(done) * format.channels,
                      std::min(chunk, frames - done));
    }
    EXPECT_EQ(writer->position, frames);
}

class LAcmWaveTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "coded.wav";
};

TEST_F(LAcmWaveTest, WriterLayoutCarriesTheFormatRecordAndFinalSizes) {
    WaveFormatRecord ima = ImaAdpcmFormat(8000, 1);
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, ima);
    std::vector<std::int32_t> samples = Tones(1000, 1, 8000);
    writer->Write(samples.data(), 1000);
    std::string open = ReadFile(path);
    EXPECT_EQ(Le32At(open, 16), 20u);  // 18 + extra size 2
    EXPECT_EQ(open.substr(40, 4), "data");
    EXPECT_EQ(Le32At(open, 44), 0u) << "no data size while open";
    EXPECT_EQ(Le32At(open, 4), 40u);
    writer.Release();
    // One block of 505 frames and a short block for 495: 4 + ceil(494 / 8) * 4 bytes.
    const std::uint32_t data = 256 + 4 + 62 * 4;
    std::string closed = ReadFile(path);
    EXPECT_EQ(closed.size(), 48 + data);
    EXPECT_EQ(Le32At(closed, 44), data);
    EXPECT_EQ(Le32At(closed, 4), 40 + data);
    const std::vector<std::uint8_t> record = ima.Serialize();
    EXPECT_EQ(closed.substr(20, 20), std::string(record.begin(), record.end()));
}

TEST_F(LAcmWaveTest, G711WriterStoresTheCompandedSixteenBitSamples) {
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, G711Format(kWaveFormatMulaw, 8000, 1));
    std::vector<std::int32_t> samples = {0, 16000, -16000, 524272, 7, 8};
    writer->Write(samples.data(), 6);
    writer.Release();
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 46u + 6);
    EXPECT_EQ(Le32At(bytes, 16), 18u);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        auto sixteen = static_cast<std::int16_t>((samples[i] + 8) >> 4);
        EXPECT_EQ(std::uint8_t(bytes[46 + i]), LinearToMulaw(sixteen)) << i;
    }
}

TEST_F(LAcmWaveTest, AnUnencodableFormatLeavesAHeaderOnlyFile) {
    WaveFormatRecord msAdpcm = ImaAdpcmFormat(8000, 1);
    msAdpcm.formatTag = 2;
    LSoundSinkPtr writer = CreateWaveWriterForFormat(path, msAdpcm);
    EXPECT_TRUE(writer->IsInvalid());
    std::vector<std::int32_t> samples(100, 1600);
    writer->Write(samples.data(), 100);
    EXPECT_EQ(writer->position, 100);
    writer.Release();
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), 48u);
    EXPECT_EQ(Le32At(bytes, 44), 0u);
}

TEST_F(LAcmWaveTest, PcmRecordsGetThePcmWriter) {
    CreateWaveWriterForFormat(path, Pcm16Format(16000, 2)).Release();
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), 46u);
    EXPECT_EQ(Le16At(bytes, 20), 1);
    EXPECT_EQ(Le16At(bytes, 34), 16);
    EXPECT_EQ(Le32At(bytes, 24), 16000u);
}

struct CodecCase {
    const char* name;
    WaveFormatRecord format;
};

std::vector<CodecCase> Codecs() {
    return {{"mu-law", G711Format(kWaveFormatMulaw, 11025, 2)},
            {"A-law", G711Format(kWaveFormatAlaw, 11025, 2)},
            {"IMA ADPCM", ImaAdpcmFormat(11025, 2)}};
}

TEST_F(LAcmWaveTest, RoundTripsThroughWriterAndReader) {
    const std::int32_t frames = 20003;
    const std::vector<std::int32_t> samples = Tones(frames, 2, 11025);
    for (const CodecCase& codec : Codecs()) {
        WriteAll(path, codec.format, samples);
        WaveFormatRecord format;
        LSoundSourcePtr source = OpenWaveFile(path, &format);
        ASSERT_TRUE(source) << codec.name;
        ASSERT_FALSE(source->IsInvalid()) << codec.name;
        EXPECT_EQ(format.formatTag, codec.format.formatTag);
        EXPECT_EQ(source->channels, 2);
        EXPECT_EQ(source->sampleRate, 11025);
        std::vector<std::int32_t> decoded = ReadAll(*source, frames);
        const bool ima = codec.format.formatTag == kWaveFormatImaAdpcm;
        double signal = 0;
        double noise = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            auto sixteen = static_cast<std::int16_t>((samples[i] + 8) >> 4);
            if (!ima) {
                std::int16_t expected = codec.format.formatTag == kWaveFormatMulaw
                                            ? MulawToLinear(LinearToMulaw(sixteen))
                                            : AlawToLinear(LinearToAlaw(sixteen));
                ASSERT_EQ(decoded[i], expected * 16) << codec.name << " sample " << i;
            }
            signal += double(samples[i]) * samples[i];
            noise += double(decoded[i] - samples[i]) * (decoded[i] - samples[i]);
        }
        EXPECT_GT(10 * std::log10(signal / noise), ima ? 25.0 : 35.0) << codec.name;
        // Reading past the end makes the length exact: IMA pads the last block's last group
        // (39 blocks of 505 frames, then 308 frames in 39 groups of 8 after the header's one).
        ReadAll(*source, 10000);
        EXPECT_EQ(source->GetLength(), ima ? 39 * 505 + 1 + 39 * 8 : frames) << codec.name;
    }
}

TEST_F(LAcmWaveTest, SeekingLandsOnTheExactFrame) {
    const std::int32_t frames = 12000;
    for (const CodecCase& codec : Codecs()) {
        WriteAll(path, codec.format, Tones(frames, 2, 11025));
        LSoundSourcePtr whole = OpenWaveFile(path);
        std::vector<std::int32_t> reference = ReadAll(*whole, frames + 100);
        LSoundSourcePtr source = OpenWaveFile(path);
        for (std::int32_t frame : {0, 1, 504, 505, 506, 7777, 11990, 3}) {
            source->Seek(frame);
            EXPECT_EQ(source->GetPosition(), frame);
            std::vector<std::int32_t> got = ReadAll(*source, 50);
            std::vector<std::int32_t> want(reference.begin() + 2 * frame,
                                           reference.begin() + 2 * (frame + 50));
            EXPECT_EQ(got, want) << codec.name << " at " << frame;
            EXPECT_EQ(source->GetPosition(), frame + 50);
        }
        // Before the start: silence, then the first frames.
        source->Seek(-300);
        std::vector<std::int32_t> got = ReadAll(*source, 600);
        EXPECT_EQ(std::vector<std::int32_t>(got.begin(), got.begin() + 600),
                  std::vector<std::int32_t>(600, 0));
        EXPECT_EQ(std::vector<std::int32_t>(got.begin() + 600, got.end()),
                  std::vector<std::int32_t>(reference.begin(), reference.begin() + 600))
            << codec.name;
        // At or past the end: silence.
        source->Seek(frames + 5000);
        EXPECT_EQ(ReadAll(*source, 100), std::vector<std::int32_t>(200, 0)) << codec.name;
        EXPECT_EQ(source->GetPosition(), frames + 5100);
    }
}

TEST_F(LAcmWaveTest, DataCutShortEndsTheReadWithSilenceAndAnExactLength) {
    WriteAll(path, G711Format(kWaveFormatAlaw, 8000, 1), Tones(5000, 1, 8000));
    std::string bytes = ReadFile(path);
    WriteFile(path, bytes.substr(0, 46 + 3000));  // the header still says 5,000 bytes
    LSoundSourcePtr source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), 5000) << "estimated from the header";
    std::vector<std::int32_t> got = ReadAll(*source, 4000, 4000);
    EXPECT_NE(got[2999], 0);
    EXPECT_EQ(std::vector<std::int32_t>(got.begin() + 3000, got.end()),
              std::vector<std::int32_t>(1000, 0));
    EXPECT_EQ(source->GetLength(), 3000);
}

TEST_F(LAcmWaveTest, LengthEstimateFollowsTheByteRate) {
    WaveFormatRecord ima = ImaAdpcmFormat(8000, 1);
    WriteAll(path, ima, Tones(8000 * 3, 1, 8000));
    // 47 blocks and a short one of 136 bytes, at 4,055 bytes per second.
    const std::uint32_t dataSize = Le32At(ReadFile(path), 44);
    ASSERT_EQ(dataSize, 47 * 256u + 136);
    LSoundSourcePtr source = OpenWaveFile(path);
    EXPECT_EQ(source->GetLength(), dataSize / 4055 * 8000 + dataSize % 4055 * 8000 / 4055);
    // Decoding the last block makes it exact: 47 * 505 + 1 + 33 * 8 frames.
    ReadAll(*source, 8000 * 3 + 100);
    EXPECT_EQ(source->GetLength(), 47 * 505 + 1 + 33 * 8);
}

}  // namespace
