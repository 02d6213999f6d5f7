// The MP3 file reader: what it refuses, tags, the length and its end, odd headers, seeking.
#include "audio/files/LMp3Reader.h"

#include <gtest/gtest.h>

#include "Mp3TestFiles.h"
#include "support/TempDir.h"

namespace {

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

TEST_F(LMp3ReaderTest, WhatIsNotLayerThreeAudioIsRefusedAndReadsAsSilence) {
    std::vector<std::uint8_t> layer2 = HeaderBytes(3, 9, 0, 0, 2);
    layer2.resize(417, 0);
    for (const std::string& path : {
             dir / "missing.mp3",
             Write("layer2.mp2", Repeated(layer2, 10)),
             // A tag longer than the 1,024 bytes searched for the first frame.
             Write("tag.mp3", Repeated(stereo, 10, std::vector<std::uint8_t>(1100, 'T'))),
             Write("seven.mp3", Repeated(stereo, 7)),
             Write("empty.mp3", {}),
         }) {
        SCOPED_TRACE(path);
        LSoundSourcePtr reader = OpenMp3File(path);
        ASSERT_TRUE(reader);
        std::vector<std::int32_t> buffer(500, 7);
        reader->Read(buffer.data(), 500 / reader->channels);
        EXPECT_EQ(buffer, std::vector<std::int32_t>(500, 0));
        EXPECT_EQ(std::tuple(reader->IsInvalid(), reader->GetLength(), reader->GetPosition()),
                  std::tuple(true, 0, 500 / reader->channels));
    }
}

TEST_F(LMp3ReaderTest, LengthEstimateRoundsUpAndBecomesExactAtTheEndAndTagsAreNoAudio) {
    // 384-byte frames (128 kbit/s at 48 kHz), the last one cut short: the estimate of 20.2
    // frames (the last 128 bytes never count) rounds up with the 0.9 bias; decoding finds 20.
    const std::vector<std::uint8_t> frame = SilentFrame(3, 9, 1, 0);
    std::vector<std::uint8_t> bytes = Repeated(frame, 20);
    bytes.insert(bytes.end(), frame.begin(), frame.begin() + 192);
    LSoundSourcePtr reader = OpenMp3File(Write("rounded.mp3", bytes));
    ASSERT_FALSE(reader->IsInvalid());
    EXPECT_EQ(reader->GetLength(), 21 * 1152);
    std::vector<std::int32_t> buffer(2 * 30 * 1152, 1);
    reader->Read(buffer.data(), 30 * 1152);
    EXPECT_EQ(std::pair(reader->GetLength(), reader->GetPosition()),
              std::pair(20 * 1152, 30 * 1152));
    EXPECT_EQ(buffer, std::vector<std::int32_t>(buffer.size(), 0));
    // A remainder under a tenth of a frame does not count.
    bytes.resize(bytes.size() - 192 + 30);
    EXPECT_EQ(OpenMp3File(Write("short-rest.mp3", bytes))->GetLength(), 20 * 1152);
    // A short tag before the frames is skipped; an ID3v1 tag after them is not audio even
    // though it looks like sync.
    std::vector<std::uint8_t> tag(128, 0xFF);
    std::copy_n("TAG", 3, tag.begin());
    bytes = Repeated(tag, 1, Repeated(stereo, 10, std::vector<std::uint8_t>(900, 'I')));
    const Decoded d = DecodeWithReader(Write("tagged.mp3", bytes));
    EXPECT_EQ(std::pair(d.valid, d.finalLength), std::pair(true, 10 * 1152));
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
// priming frames fill the filterbank history and the bit reservoir. Before the start and past
// the end the reader gives silence.
TEST_F(LMp3ReaderTest, SeekThenReadEqualsAStraightDecode) {
    for (auto [options, rate, spf] :
         {std::tuple{"-m j -b 128", 44100, 1152}, {"-m s -b 48", 22050, 576}}) {
        SCOPED_TRACE(options);
        const std::string path = dir / "seek.mp3";
        ASSERT_TRUE(EncodeWithLame(path, TestSignal::music, rate, 2, 2.0, options));
        Decoded straight = DecodeWithReader(path);
        ASSERT_TRUE(straight.valid);
        const std::int32_t length = straight.finalLength;
        straight.samples.resize(straight.samples.size() + 2 * 3000, 0);
        LSoundSourcePtr reader = OpenMp3File(path);
        for (std::int32_t target : {length / 2 + 123, 0, 3 * spf, 4 * spf + 1, 5 * spf - 1,
                                    17 * spf + 500, length - 700, length / 2 + 123}) {
            SCOPED_TRACE(target);
            reader->Seek(target);
            EXPECT_EQ(reader->GetPosition(), target);
            std::vector<std::int32_t> buffer(2 * 3000);
            reader->Read(buffer.data(), 3000);
            EXPECT_EQ(reader->GetPosition(), target + 3000);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(),
                                   straight.samples.begin() + std::ptrdiff_t(target) * 2));
        }
        EXPECT_EQ(reader->GetLength(), length);
        std::vector<std::int32_t> buffer(2 * 600);
        reader->Seek(-100);
        reader->Read(buffer.data(), 600);
        EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 200, 0), 200);
        EXPECT_TRUE(std::equal(buffer.begin() + 200, buffer.end(), straight.samples.begin()));
        reader->Seek(length + 5000);
        reader->Read(buffer.data(), 600);
        EXPECT_EQ(buffer, std::vector<std::int32_t>(buffer.size(), 0));
    }
}

}  // namespace
