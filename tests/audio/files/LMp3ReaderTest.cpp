// The MP3 file reader: rates and channels per version, refusing what is not Layer III, the
// length estimate and its end, the header acceptance rule, seeking, and damaged files.
#include "audio/files/LMp3Reader.h"

#include <gtest/gtest.h>

#include <random>

#include "Mp3TestFiles.h"
#include "support/TempDir.h"

namespace {

bool AllZero(const std::int32_t* first, const std::int32_t* end) {
    return std::all_of(first, end, [](std::int32_t x) { return x == 0; });
}

class LMp3ReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFile(dir / name, std::string(bytes.begin(), bytes.end()));
        return dir / name;
    }
    TempDir dir;
    // MPEG-1 at 128 kbit/s and 44.1 kHz: stereo and mono.
    const std::vector<std::uint8_t> stereo = SilentFrame(3, 9, 0, 0);
    const std::vector<std::uint8_t> mono = SilentFrame(3, 9, 0, 3);
};

TEST_F(LMp3ReaderTest, RateChannelsAndFramesFollowTheVersion) {
    for (auto [versionBits, bitrateIndex, sampleIndex, mode, rate, channels, samplesPerFrame] :
         {std::tuple{3, 9, 0, 0, 44100, 2, 1152},
          {3, 5, 1, 3, 48000, 1, 1152},
          {3, 14, 2, 1, 32000, 2, 1152},
          {2, 8, 0, 2, 22050, 2, 576},
          {2, 4, 1, 3, 24000, 1, 576},
          {2, 2, 2, 1, 16000, 2, 576},
          {0, 4, 0, 0, 11025, 2, 576},
          {0, 3, 1, 3, 12000, 1, 576},
          {0, 2, 2, 3, 8000, 1, 576}}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, mode " << mode);
        const Decoded d = DecodeWithReader(Write(
            "silent.mp3", Repeated(SilentFrame(versionBits, bitrateIndex, sampleIndex, mode), 10)));
        ASSERT_TRUE(d.valid);
        EXPECT_EQ(d.rate, rate);
        EXPECT_EQ(d.channels, channels);
        EXPECT_EQ(d.initialLength, 10 * samplesPerFrame);
        EXPECT_EQ(d.finalLength, 10 * samplesPerFrame);
        EXPECT_EQ(d.samples, std::vector<std::int32_t>(10 * samplesPerFrame * channels, 0));
    }
}

TEST_F(LMp3ReaderTest, WhatIsNotLayerThreeAudioIsRefusedAndReadsAsSilence) {
    std::vector<std::uint8_t> layer2 = HeaderBytes(3, 9, 0, 0, 2);
    layer2.resize(417, 0);
    std::vector<std::uint8_t> freeFormat = HeaderBytes(3, 0, 0, 0);
    freeFormat.resize(417, 0);
    std::vector<std::uint8_t> wave(44, 0);
    std::copy_n("RIFF\x24\x00\x00\x00WAVEfmt ", 16, wave.begin());
    wave.insert(wave.end(), 4000, 0x55);
    for (const std::string& path : {
             dir / "missing.mp3",
             Write("layer2.mp2", Repeated(layer2, 10)),
             Write("free.mp3", Repeated(freeFormat, 10)),
             // A tag longer than the 1,024 bytes searched for the first frame.
             Write("tag.mp3", Repeated(stereo, 10, std::vector<std::uint8_t>(1100, 'T'))),
             Write("seven.mp3", Repeated(stereo, 7)),
             Write("wave.wav", wave),
             Write("text.txt", std::vector<std::uint8_t>(3000, 'a')),
             Write("empty.mp3", {}),
         }) {
        SCOPED_TRACE(path);
        LSoundSourcePtr reader = OpenMp3File(path);
        ASSERT_TRUE(reader);
        EXPECT_TRUE(reader->IsInvalid());
        EXPECT_EQ(reader->GetLength(), 0);
        std::vector<std::int32_t> buffer(500, 7);
        reader->Read(buffer.data(), 500 / reader->channels);
        EXPECT_TRUE(AllZero(buffer.data(), buffer.data() + 500));
        EXPECT_EQ(reader->GetPosition(), 500 / reader->channels);
    }
}

TEST_F(LMp3ReaderTest, TagsBeforeAndAfterTheFramesAreSkipped) {
    // A short tag before; an ID3v1 tag after, not audio even though it looks like sync.
    std::vector<std::uint8_t> tag(128, 0xFF);
    std::copy_n("TAG", 3, tag.begin());
    const std::vector<std::uint8_t> bytes =
        Repeated(tag, 1, Repeated(stereo, 10, std::vector<std::uint8_t>(900, 'I')));
    const Decoded d = DecodeWithReader(Write("tagged.mp3", bytes));
    ASSERT_TRUE(d.valid);
    EXPECT_EQ(d.finalLength, 10 * 1152);
}

TEST_F(LMp3ReaderTest, LengthEstimateRoundsUpAndBecomesExactAtTheEnd) {
    // 384-byte frames (128 kbit/s at 48 kHz) and then half a frame of other data: the estimate
    // of 20.5 frames rounds up with the 0.9 bias; decoding finds 20.
    std::vector<std::uint8_t> bytes = Repeated(SilentFrame(3, 9, 1, 0), 20);
    bytes.resize(bytes.size() + 192, 0);
    LSoundSourcePtr reader = OpenMp3File(Write("rounded.mp3", bytes));
    ASSERT_FALSE(reader->IsInvalid());
    EXPECT_EQ(reader->GetLength(), 21 * 1152);
    std::vector<std::int32_t> buffer(2 * 30 * 1152, 1);
    reader->Read(buffer.data(), 30 * 1152);
    EXPECT_EQ(reader->GetLength(), 20 * 1152);
    EXPECT_EQ(reader->GetPosition(), 30 * 1152);
    EXPECT_TRUE(AllZero(buffer.data(), buffer.data() + buffer.size()));
    // A remainder under a tenth of a frame does not count.
    bytes.resize(bytes.size() - 192 + 30);
    EXPECT_EQ(OpenMp3File(Write("short-rest.mp3", bytes))->GetLength(), 20 * 1152);

    // One read over a real file and as much again: the audio, then zeros, and the exact length.
    const std::string path = dir / "music.mp3";
    ASSERT_TRUE(EncodeWithLame(path, TestSignal::music, 44100, 2, 0.5, "-b 128"));
    const int length = ScanStream(ReadFile(path)).frames * 1152;
    reader = OpenMp3File(path);
    ASSERT_FALSE(reader->IsInvalid());
    buffer.assign(std::size_t(2 * length) * 2, 1);
    reader->Read(buffer.data(), 2 * length);
    EXPECT_EQ(reader->GetLength(), length);
    EXPECT_EQ(reader->GetPosition(), 2 * length);
    EXPECT_FALSE(AllZero(buffer.data(), buffer.data() + 2 * length));
    EXPECT_TRUE(AllZero(buffer.data() + 2 * length, buffer.data() + buffer.size()));
    reader->Read(buffer.data(), 1000);  // further reads stay silent
    EXPECT_TRUE(AllZero(buffer.data(), buffer.data() + 2000));
}

TEST_F(LMp3ReaderTest, ElevenOddHeadersInARowOrAGapOfMoreThan1024BytesEndTheStream) {
    // Headers that do not match the first frame: stereo, another rate, MPEG-2.
    for (const auto& odd : {stereo, SilentFrame(3, 9, 1, 3), SilentFrame(2, 9, 0, 3)}) {
        for (int count : {10, 11}) {
            SCOPED_TRACE(testing::Message() << count << " mismatched frames");
            const Decoded d = DecodeWithReader(
                Write("mixed.mp3", Repeated(mono, 10, Repeated(odd, count, Repeated(mono, 10)))));
            ASSERT_TRUE(d.valid);
            EXPECT_EQ(d.channels, 1);
            EXPECT_EQ(d.finalLength, (count == 10 ? 20 : 10) * 1152);
        }
    }
    for (int gap : {1024, 1025}) {
        std::vector<std::uint8_t> bytes = Repeated(mono, 10);
        bytes.resize(bytes.size() + gap, 0x11);
        const Decoded d = DecodeWithReader(Write("gap.mp3", Repeated(mono, 5, bytes)));
        EXPECT_EQ(d.finalLength, (gap == 1024 ? 15 : 10) * 1152) << gap;
    }
}

// Seeking anywhere, then reading, gives what a straight decode gives from the same frame: the
// priming frames fill the filterbank history and the bit reservoir.
TEST_F(LMp3ReaderTest, SeekThenReadEqualsAStraightDecode) {
    for (auto [options, rate, spf] :
         {std::tuple{"-m j -b 128", 44100, 1152}, {"-m s -b 48", 22050, 576}}) {
        SCOPED_TRACE(options);
        const std::string path = dir / "seek.mp3";
        ASSERT_TRUE(EncodeWithLame(path, TestSignal::music, rate, 2, 2.0, options));
        const Decoded straight = DecodeWithReader(path);
        ASSERT_TRUE(straight.valid);
        const std::int32_t middle = straight.finalLength / 2 + 123;
        LSoundSourcePtr reader = OpenMp3File(path);
        for (std::int32_t target : {middle, 0, 3 * spf, 4 * spf + 1, 5 * spf - 1, 17 * spf + 500,
                                    straight.finalLength - 700, middle}) {
            SCOPED_TRACE(target);
            reader->Seek(target);
            EXPECT_EQ(reader->GetPosition(), target);
            const std::int32_t count = std::min(3000, straight.finalLength - target);
            std::vector<std::int32_t> buffer(std::size_t(count) * 2);
            reader->Read(buffer.data(), count);
            EXPECT_EQ(reader->GetPosition(), target + count);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(),
                                   straight.samples.begin() + std::ptrdiff_t(target) * 2));
        }
        // Before the start: silence, then the file's first frames; beyond the end: silence.
        reader->Seek(-100);
        std::vector<std::int32_t> buffer(2 * 600);
        reader->Read(buffer.data(), 600);
        EXPECT_TRUE(AllZero(buffer.data(), buffer.data() + 200));
        EXPECT_TRUE(std::equal(buffer.begin() + 200, buffer.end(), straight.samples.begin()));
        reader->Seek(straight.finalLength + 5000);
        reader->Read(buffer.data(), 600);
        EXPECT_TRUE(AllZero(buffer.data(), buffer.data() + buffer.size()));
    }
}

// Damage inside a valid stream (overwritten bytes, a cut) is decoded as far as it goes: no
// crash, no endless loop, a length that ends where the audio ends.
TEST_F(LMp3ReaderTest, DamagedFilesDecodeAsFarAsTheyGo) {
    const std::string path = dir / "damaged.mp3";
    ASSERT_TRUE(EncodeWithLame(path, TestSignal::transients, 32000, 2, 1.0, "-m j -b 96"));
    const std::string original = ReadFile(path);
    std::mt19937 random(3);
    for (int round = 0; round < 6; ++round) {
        std::string bytes = original;
        // Keep the start intact so that the file opens, then damage the rest.
        for (int i = 0; i < 300; ++i) {
            const std::size_t at = 3000 + random() % (bytes.size() - 3000);
            bytes[at] = static_cast<char>(round % 2 ? random() : 0xFF);
        }
        if (round >= 4) {
            bytes.resize(bytes.size() * 2 / 3);
        }
        WriteFile(path, bytes);
        const Decoded d = DecodeWithReader(path, 1000);
        ASSERT_TRUE(d.valid);
        EXPECT_GT(d.finalLength, 0);
        EXPECT_LE(d.finalLength, 50 * 1152);
    }
}

}  // namespace
