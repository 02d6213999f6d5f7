// The MP3 file reader: rates and channels per version, refusing what is not Layer III, the
// length estimate and its end, reading past the end, the header acceptance rule, seeking, and
// damaged files.
#include "audio/files/LMp3Reader.h"

#include <gtest/gtest.h>

#include <random>

#include "Mp3TestFiles.h"
#include "support/TempDir.h"

namespace {

std::string AsString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class LMp3ReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = dir / name;
        WriteFile(path, AsString(bytes));
        return path;
    }
    TempDir dir;
};

struct VersionRow {
    int versionBits, bitrateIndex, sampleIndex, mode;
    int rate, channels, samplesPerFrame;
};

const VersionRow kVersions[] = {
    {3, 9, 0, 0, 44100, 2, 1152}, {3, 5, 1, 3, 48000, 1, 1152}, {3, 14, 2, 1, 32000, 2, 1152},
    {2, 8, 0, 2, 22050, 2, 576},  {2, 4, 1, 3, 24000, 1, 576},  {2, 2, 2, 1, 16000, 2, 576},
    {0, 4, 0, 0, 11025, 2, 576},  {0, 3, 1, 3, 12000, 1, 576},  {0, 2, 2, 3, 8000, 1, 576},
};

TEST_F(LMp3ReaderTest, RateChannelsAndFramesFollowTheVersion) {
    for (const VersionRow& row : kVersions) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, mode " << row.mode);
        std::vector<std::uint8_t> bytes;
        Append(bytes, SilentFrame(row.versionBits, row.bitrateIndex, row.sampleIndex, row.mode),
               10);
        const Decoded d = DecodeWithReader(Write("silent.mp3", bytes));
        ASSERT_TRUE(d.valid);
        EXPECT_EQ(d.rate, row.rate);
        EXPECT_EQ(d.channels, row.channels);
        EXPECT_EQ(d.initialLength, 10 * row.samplesPerFrame);
        EXPECT_EQ(d.finalLength, 10 * row.samplesPerFrame);
        EXPECT_EQ(std::count(d.samples.begin(), d.samples.end(), 0),
                  std::ptrdiff_t(10 * row.samplesPerFrame * row.channels));
    }
}

TEST_F(LMp3ReaderTest, WhatIsNotLayerThreeAudioIsRefusedAndReadsAsSilence) {
    std::vector<std::uint8_t> layer2 = HeaderBytes(3, 9, 0, 0, 2);
    layer2.resize(417, 0);
    std::vector<std::uint8_t> freeFormat = HeaderBytes(3, 0, 0, 0);
    freeFormat.resize(417, 0);
    const std::vector<std::uint8_t> frame = SilentFrame(3, 9, 0, 0);
    std::vector<std::uint8_t> longTag(1100, 'T');
    Append(longTag, frame, 10);
    std::vector<std::uint8_t> sevenFrames;
    Append(sevenFrames, frame, 7);
    std::vector<std::uint8_t> wave(44, 0);
    std::copy_n("RIFF\x24\x00\x00\x00WAVEfmt ", 16, wave.begin());
    wave.insert(wave.end(), 4000, 0x55);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"layer2.mp2", {}},   {"free.mp3", {}},
        {"tag.mp3", longTag}, {"seven.mp3", sevenFrames},
        {"wave.wav", wave},   {"text.txt", std::vector<std::uint8_t>(3000, 'a')},
        {"empty.mp3", {}},
    };
    Append(cases[0].bytes, layer2, 10);
    Append(cases[1].bytes, freeFormat, 10);
    std::vector<std::string> paths = {dir / "missing.mp3"};
    for (const Case& c : cases) {
        paths.push_back(Write(c.name, c.bytes));
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        LSoundSourcePtr reader = OpenMp3File(path);
        ASSERT_TRUE(reader);
        EXPECT_TRUE(reader->IsInvalid());
        EXPECT_EQ(reader->GetLength(), 0);
        std::vector<std::int32_t> buffer(500, 7);
        reader->Read(buffer.data(), 500 / reader->channels);
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 500);
        EXPECT_EQ(reader->GetPosition(), 500 / reader->channels);
    }
}

TEST_F(LMp3ReaderTest, ShortTagBeforeTheFramesAndAnId3v1TagAfterThemAreSkipped) {
    std::vector<std::uint8_t> bytes(900, 'I');
    Append(bytes, SilentFrame(3, 9, 0, 0), 10);
    std::vector<std::uint8_t> tag(128, 0xFF);  // not audio, even though it looks like sync
    std::copy_n("TAG", 3, tag.begin());
    Append(bytes, tag);
    const Decoded d = DecodeWithReader(Write("tagged.mp3", bytes));
    ASSERT_TRUE(d.valid);
    EXPECT_EQ(d.finalLength, 10 * 1152);
}

TEST_F(LMp3ReaderTest, LengthEstimateRoundsUpAndBecomesExactAtTheEnd) {
    // 384-byte frames (128 kbit/s at 48 kHz) and then half a frame of other data: the estimate
    // of 20.5 frames rounds up with the 0.9 bias; decoding finds 20.
    std::vector<std::uint8_t> bytes;
    Append(bytes, SilentFrame(3, 9, 1, 0), 20);
    bytes.resize(bytes.size() + 192, 0);
    LSoundSourcePtr reader = OpenMp3File(Write("rounded.mp3", bytes));
    ASSERT_FALSE(reader->IsInvalid());
    EXPECT_EQ(reader->GetLength(), 21 * 1152);
    std::vector<std::int32_t> buffer(2 * 30 * 1152, 1);
    reader->Read(buffer.data(), 30 * 1152);
    EXPECT_EQ(reader->GetLength(), 20 * 1152);
    EXPECT_EQ(reader->GetPosition(), 30 * 1152);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), std::ptrdiff_t(buffer.size()));
    // A remainder under a tenth of a frame does not count.
    bytes.resize(bytes.size() - 192 + 30);
    EXPECT_EQ(OpenMp3File(Write("short-rest.mp3", bytes))->GetLength(), 20 * 1152);
}

TEST_F(LMp3ReaderTest, ReadingPastTheEndGivesZerosAndTheExactLength) {
    const std::string path = dir / "music.mp3";
    ASSERT_TRUE(EncodeWithLame(path, TestSignal::music, 44100, 2, 0.5, "-b 128"));
    const int frames = ScanStream(ReadFile(path)).frames;
    LSoundSourcePtr reader = OpenMp3File(path);
    ASSERT_FALSE(reader->IsInvalid());
    // One read covering the whole file and as much again.
    const std::int32_t total = 2 * frames * 1152;
    std::vector<std::int32_t> buffer(std::size_t(total) * 2, 1);
    reader->Read(buffer.data(), total);
    EXPECT_EQ(reader->GetLength(), frames * 1152);
    EXPECT_EQ(reader->GetPosition(), total);
    const auto end = buffer.begin() + std::ptrdiff_t(frames) * 1152 * 2;
    EXPECT_NE(std::count(buffer.begin(), end, 0), end - buffer.begin());
    EXPECT_EQ(std::count(end, buffer.end(), 0), buffer.end() - end);
    // Further reads stay silent.
    reader->Read(buffer.data(), 1000);
    EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 2000, 0), 2000);
}

TEST_F(LMp3ReaderTest, ElevenHeadersInARowNotMatchingTheFirstFrameEndTheStream) {
    const std::vector<std::uint8_t> mono = SilentFrame(3, 9, 0, 3);
    const std::vector<std::uint8_t> stereo = SilentFrame(3, 9, 0, 0);
    const std::vector<std::uint8_t> otherRate = SilentFrame(3, 9, 1, 3);
    const std::vector<std::uint8_t> mpeg2 = SilentFrame(2, 9, 0, 3);
    for (const auto* odd : {&stereo, &otherRate, &mpeg2}) {
        for (int count : {10, 11}) {
            SCOPED_TRACE(testing::Message() << count << " mismatched frames");
            std::vector<std::uint8_t> bytes;
            Append(bytes, mono, 10);
            Append(bytes, *odd, count);
            Append(bytes, mono, 10);
            const Decoded d = DecodeWithReader(Write("mixed.mp3", bytes));
            ASSERT_TRUE(d.valid);
            EXPECT_EQ(d.channels, 1);
            EXPECT_EQ(d.finalLength, (count == 10 ? 20 : 10) * 1152);
        }
    }
}

TEST_F(LMp3ReaderTest, GapOfMoreThan1024BytesEndsTheStream) {
    for (int gap : {1024, 1025}) {
        std::vector<std::uint8_t> bytes;
        Append(bytes, SilentFrame(3, 9, 0, 3), 10);
        bytes.resize(bytes.size() + gap, 0x11);
        Append(bytes, SilentFrame(3, 9, 0, 3), 5);
        const Decoded d = DecodeWithReader(Write("gap.mp3", bytes));
        EXPECT_EQ(d.finalLength, (gap == 1024 ? 15 : 10) * 1152) << gap;
    }
}

// Seeking anywhere, then reading, gives what a straight decode gives from the same frame: the
// priming frames fill the filterbank history and the bit reservoir.
TEST_F(LMp3ReaderTest, SeekThenReadEqualsAStraightDecode) {
    struct File {
        const char* options;
        int rate;
        int samplesPerFrame;
    };
    for (const File& f : {File{"-m j -b 128", 44100, 1152}, File{"-m s -b 48", 22050, 576}}) {
        SCOPED_TRACE(f.options);
        const std::string path = dir / "seek.mp3";
        ASSERT_TRUE(EncodeWithLame(path, TestSignal::music, f.rate, 2, 2.0, f.options));
        const Decoded straight = DecodeWithReader(path);
        ASSERT_TRUE(straight.valid);
        const std::int32_t spf = f.samplesPerFrame;
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
        // Before the start: silence, then the file's first frames.
        reader->Seek(-100);
        std::vector<std::int32_t> buffer(2 * 600);
        reader->Read(buffer.data(), 600);
        EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 200, 0), 200);
        EXPECT_TRUE(std::equal(buffer.begin() + 200, buffer.end(), straight.samples.begin()));
        // Beyond the end: silence.
        reader->Seek(straight.finalLength + 5000);
        reader->Read(buffer.data(), 600);
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 1200);
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
