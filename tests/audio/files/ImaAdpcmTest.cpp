// IMA ADPCM: per-code steps worked out from the step and index tables, the WAV block layout
// and the quality of an encode/decode round trip.
#include "audio/files/ImaAdpcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/files/AcmStream.h"

namespace {

TEST(ImaAdpcmTest, SamplesPerBlockFollowsTheBlockSize) {
    struct Row {
        std::uint32_t blockAlign;
        std::uint32_t channels;
        std::uint32_t samples;
    } rows[] = {
        {256, 1, 505}, {512, 2, 505}, {1024, 2, 1017}, {2048, 1, 4089}, {4, 1, 1},
        {8, 2, 1},     {255, 1, 0},   {260, 2, 0},     {0, 1, 0},       {256, 0, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ImaSamplesPerBlock(row.blockAlign, row.channels), row.samples)
            << row.blockAlign << "/" << row.channels;
    }
}

TEST(ImaAdpcmTest, DecodingStepsByTheTables) {
    // Worked by hand: step 7 at index 0, 16 at 8, 34 at 16, 73 at 24, 66 at 23, 80 at 25.
    struct Row {
        unsigned nibble;
        std::int16_t sample;
        std::int32_t stepIndex;
    } rows[] = {
        {0x7, 11, 8},    // 0 + 7/8 + 7 + 7/2 + 7/4 = 0 + 0 + 7 + 3 + 1
        {0x7, 41, 16},   // 2 + 16 + 8 + 4 = 30
        {0xF, -22, 24},  // -(4 + 34 + 17 + 8)
        {0x0, -13, 23},  // + 73/8
        {0x4, 61, 25},   // + 8 + 66
        {0x8, 51, 24},   // -(80/8), index down by one
    };
    ImaAdpcmState state;
    for (const Row& row : rows) {
        EXPECT_EQ(ImaDecodeNibble(state, row.nibble), row.sample) << row.nibble;
        EXPECT_EQ(state.stepIndex, row.stepIndex) << row.nibble;
    }
}

TEST(ImaAdpcmTest, DecodingClampsThePredictorAndTheIndex) {
    ImaAdpcmState high{32700, 88};
    EXPECT_EQ(ImaDecodeNibble(high, 0x7), 32767);
    EXPECT_EQ(high.stepIndex, 88);
    ImaAdpcmState low{-32700, 88};
    EXPECT_EQ(ImaDecodeNibble(low, 0xF), -32768);
    ImaAdpcmState quiet{5, 0};
    EXPECT_EQ(ImaDecodeNibble(quiet, 0x3), 5 + 0 + 3 + 1);
    EXPECT_EQ(quiet.stepIndex, 0);
}

TEST(ImaAdpcmTest, EncodingPicksTheNearestCodeAndTracksTheDecoder) {
    ImaAdpcmState state;
    EXPECT_EQ(ImaEncodeSample(state, 11), 0x7u);
    EXPECT_EQ(state.predictor, 11);
    EXPECT_EQ(state.stepIndex, 8);
    ImaAdpcmState negative;
    EXPECT_EQ(ImaEncodeSample(negative, -100), 0xFu);
    EXPECT_EQ(negative.predictor, -11);
    ImaAdpcmState small;
    EXPECT_EQ(ImaEncodeSample(small, 5), 0x3u);  // 5 >= 7/2, then the rest 2 >= 7/4
    EXPECT_EQ(small.predictor, 4);
}

std::vector<std::uint8_t> Convert(AcmStream& stream, const std::vector<std::uint8_t>& in,
                                  std::uint32_t outCapacity, unsigned flags,
                                  std::uint32_t* used = nullptr) {
    std::vector<std::uint8_t> out(outCapacity);
    AcmStreamHeader header{
        in.data(), static_cast<std::uint32_t>(in.size()), 0, out.data(), outCapacity, 0};
    stream.Convert(header, flags);
    out.resize(header.destinationLengthUsed);
    if (used) {
        *used = header.sourceLengthUsed;
    }
    return out;
}

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(LoadLe16(&bytes[2 * i]));
    }
    return samples;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        StoreLe16(&bytes[2 * i], static_cast<std::uint16_t>(samples[i]));
    }
    return bytes;
}

WaveFormatRecord ImaRecord(std::uint16_t channels, std::uint16_t blockAlign) {
    WaveFormatRecord record = ImaAdpcmFormat(8000, channels);
    record.blockAlign = blockAlign;
    record.extra.clear();
    return record;
}

TEST(ImaAdpcmTest, DecodesTheMonoBlockLayout) {
    // Header: first sample 16, index 0; then codes 7 7 F 0 4 0 0 0, low nibble first.
    std::vector<std::uint8_t> block = {0x10, 0x00, 0, 0, 0x77, 0x0F, 0x04, 0x00};
    auto stream = AcmStream::Open(ImaRecord(1, 8), Pcm16Format(8000, 1));
    ASSERT_TRUE(stream);
    std::uint32_t used = 0;
    auto pcm = Samples(Convert(*stream, block, 64, kAcmConvertBlockAlign, &used));
    EXPECT_EQ(used, 8u);
    EXPECT_EQ(pcm, (std::vector<std::int16_t>{16, 27, 57, -6, 3, 77, 87, 96, 104}));
}

TEST(ImaAdpcmTest, DecodesTheStereoBlockLayoutInterleaved) {
    // Headers left (0) and right (-100, index 8), then 4 bytes of left codes, 4 of right.
    std::vector<std::uint8_t> block = {0x00, 0x00, 0, 0, 0x9C, 0xFF, 8, 0,
                                       0x07, 0,    0, 0, 0x70, 0,    0, 0};
    auto stream = AcmStream::Open(ImaRecord(2, 16), Pcm16Format(8000, 2));
    ASSERT_TRUE(stream);
    auto pcm = Samples(Convert(*stream, block, 64, 0));
    // Left: codes 7, 0, ...; right: codes 0, 7, ... (right steps: 16 at index 8, 14 at 7).
    ASSERT_EQ(pcm.size(), 18u);
    EXPECT_EQ(std::vector<std::int16_t>(pcm.begin(), pcm.begin() + 6),
              (std::vector<std::int16_t>{0, -100, 11, -98, 13, -73}));
}

TEST(ImaAdpcmTest, RoundTripOfAToneKeepsItsShape) {
    std::vector<std::int16_t> tone(4003);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] =
            static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * 440.0 * i / 8000));
    }
    WaveFormatRecord ima = ImaAdpcmFormat(8000, 1);
    auto encoder = AcmStream::Open(Pcm16Format(8000, 1), ima);
    auto decoder = AcmStream::Open(ima, Pcm16Format(8000, 1));
    ASSERT_TRUE(encoder && decoder);
    auto coded = Convert(*encoder, Bytes(tone), 4096, kAcmConvertEnd);
    // 7 whole blocks of 505 samples and a short one for the last 468 (4 + 59 groups of 4).
    EXPECT_EQ(coded.size(), 7 * 256u + 4 + 59 * 4);
    auto decoded = Samples(Convert(*decoder, coded, 16384, kAcmConvertEnd));
    ASSERT_EQ(decoded.size(), 4003u + 5);  // the last group is padded to 8 samples
    double signal = 0;
    double noise = 0;
    for (std::size_t i = 0; i < tone.size(); ++i) {
        signal += double(tone[i]) * tone[i];
        noise += double(decoded[i] - tone[i]) * (decoded[i] - tone[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 25.0);
}

}  // namespace
