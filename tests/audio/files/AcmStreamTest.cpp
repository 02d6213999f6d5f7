// The codec stream layer: which format pairs open, buffer sizing, the IMA ADPCM block layout, and
// the block-align, end and start semantics that the compressed WAV reader and writer depend on.
#include "audio/files/AcmStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> Ramp(std::size_t frames, std::uint16_t channels) {
    std::vector<std::uint8_t> bytes(frames * channels * 2);
    for (std::size_t i = 0; i < frames * channels; ++i) {
        StoreLe16(&bytes[2 * i], static_cast<std::uint16_t>((i * 37) % 20000 - 10000));
    }
    return bytes;
}

struct Result {
    std::vector<std::uint8_t> out;
    std::uint32_t used = 0;
};

Result Convert(AcmStream& stream, const std::uint8_t* in, std::size_t size, std::uint32_t capacity,
               unsigned flags) {
    Result result;
    result.out.resize(capacity);
    AcmStreamHeader header{in, static_cast<std::uint32_t>(size), 0, result.out.data(), capacity, 0};
    stream.Convert(header, flags);
    result.out.resize(header.destinationLengthUsed);
    result.used = header.sourceLengthUsed;
    return result;
}

const WaveFormatRecord kPcm = Pcm16Format(8000, 1);
const WaveFormatRecord kIma = ImaAdpcmFormat(8000, 1);

TEST(AcmStreamTest, OpensOnlyTheOfferedPairs) {
    const auto changed = [](WaveFormatRecord record, auto change) {
        change(record);
        return record;
    };
    const WaveFormatRecord mulaw = G711Format(kWaveFormatMulaw, 8000, 1);
    const WaveFormatRecord alaw = G711Format(kWaveFormatAlaw, 8000, 1);
    struct Row {
        const char* name;
        WaveFormatRecord from;
        WaveFormatRecord to;
        bool opens;
    } rows[] = {
        {"mu-law in", mulaw, kPcm, true},
        {"mu-law out", kPcm, mulaw, true},
        {"A-law in", alaw, kPcm, true},
        {"A-law out", kPcm, alaw, true},
        {"IMA in", kIma, kPcm, true},
        {"IMA out", kPcm, kIma, true},
        {"IMA without a sample count", changed(kIma, [](auto& r) { r.extra.clear(); }), kPcm, true},
        {"PCM to PCM", kPcm, kPcm, false},
        {"other tag", changed(kIma, [](auto& r) { r.formatTag = 2; }), kPcm, false},
        {"8-bit PCM side", changed(kPcm, [](auto& r) { r.bitsPerSample = 8; }), alaw, false},
        {"channels differ", G711Format(kWaveFormatAlaw, 8000, 2), kPcm, false},
        {"rates differ", G711Format(kWaveFormatAlaw, 11025, 1), kPcm, false},
        {"no channels", G711Format(kWaveFormatMulaw, 8000, 0), Pcm16Format(8000, 0), false},
        {"IMA odd block", changed(kIma, [](auto& r) { r.blockAlign = 255; }), kPcm, false},
        {"IMA 3 bits", changed(kIma, [](auto& r) { r.bitsPerSample = 3; }), kPcm, false},
        // 504 samples per block, but 256 bytes hold 505.
        {"IMA wrong sample count", kPcm, changed(kIma, [](auto& r) { r.extra[0] = 0xF8; }), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AcmStream::Open(row.from, row.to) != nullptr, row.opens) << row.name;
    }
}

TEST(AcmStreamTest, SizesCountWholeBlocks) {
    auto muDecode = AcmStream::Open(G711Format(kWaveFormatMulaw, 8000, 1), kPcm);
    EXPECT_EQ(muDecode->SourceSizeFor(16384), 8192u);
    EXPECT_EQ(muDecode->DestinationSizeFor(8192), 16384u);
    auto alawEncode = AcmStream::Open(Pcm16Format(8000, 2), G711Format(kWaveFormatAlaw, 8000, 2));
    EXPECT_EQ(alawEncode->DestinationSizeFor(4 * 8192), 16384u);
    EXPECT_EQ(alawEncode->DestinationSizeFor(3), 0u);  // not one whole frame
    // IMA mono, 256-byte blocks of 505 samples (1,010 PCM bytes).
    auto imaDecode = AcmStream::Open(kIma, kPcm);
    EXPECT_EQ(imaDecode->SourceSizeFor(16384), 16 * 256u);
    EXPECT_EQ(imaDecode->SourceSizeFor(1009), 0u);
    EXPECT_EQ(imaDecode->DestinationSizeFor(257), 2 * 1010u);
    auto imaEncode = AcmStream::Open(kPcm, kIma);
    EXPECT_EQ(imaEncode->DestinationSizeFor(16384), 17 * 256u);  // the partial block counts
    EXPECT_EQ(imaEncode->DestinationSizeFor(1009), 0u);
    EXPECT_EQ(imaEncode->SourceSizeFor(600), 2 * 1010u);
}

std::vector<std::int16_t> DecodeImaBlock(const std::vector<std::uint8_t>& block,
                                         std::uint16_t channels, std::uint32_t* used = nullptr) {
    WaveFormatRecord ima = ImaAdpcmFormat(8000, channels);
    ima.blockAlign = static_cast<std::uint16_t>(block.size());
    ima.extra.clear();
    auto stream = AcmStream::Open(ima, Pcm16Format(8000, channels));
    EXPECT_TRUE(stream);
    const Result result = Convert(*stream, block.data(), block.size(), 64, kAcmConvertBlockAlign);
    if (used != nullptr) {
        *used = result.used;
    }
    std::vector<std::int16_t> samples(result.out.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(LoadLe16(&result.out[2 * i]));
    }
    return samples;
}

TEST(AcmStreamTest, DecodesTheImaBlockLayout) {
    // Header: first sample 16, index 0; then codes 7 7 F 0 4 0 0 0, low nibble first.
    std::uint32_t used = 0;
    EXPECT_EQ(DecodeImaBlock({0x10, 0x00, 0, 0, 0x77, 0x0F, 0x04, 0x00}, 1, &used),
              (std::vector<std::int16_t>{16, 27, 57, -6, 3, 77, 87, 96, 104}));
    EXPECT_EQ(used, 8u);
    // Stereo: headers left (0) and right (-100, index 8), then 4 bytes of left codes (7, 0, ...)
    // and 4 of right (0, 7, ...); the right steps are 16 at index 8 and 14 at 7.
    const std::vector<std::int16_t> stereo =
        DecodeImaBlock({0x00, 0x00, 0, 0, 0x9C, 0xFF, 8, 0, 0x07, 0, 0, 0, 0x70, 0, 0, 0}, 2);
    ASSERT_EQ(stereo.size(), 18u);
    EXPECT_EQ(std::vector<std::int16_t>(stereo.begin(), stereo.begin() + 6),
              (std::vector<std::int16_t>{0, -100, 11, -98, 13, -73}));
}

TEST(AcmStreamTest, BlockAlignLeavesThePartialBlockAndEndConvertsIt) {
    auto encoder = AcmStream::Open(kPcm, kIma);
    std::vector<std::uint8_t> pcm = Ramp(700, 1);
    Result aligned = Convert(*encoder, pcm.data(), pcm.size(), 4096, kAcmConvertBlockAlign);
    EXPECT_EQ(aligned.used, 1010u);
    EXPECT_EQ(aligned.out.size(), 256u);
    // The 195 frames left make a short block: header and ceil(194 / 8) = 25 groups.
    Result tail = Convert(*encoder, pcm.data() + 1010, pcm.size() - 1010, 4096, kAcmConvertEnd);
    EXPECT_EQ(tail.used, 390u);
    EXPECT_EQ(tail.out.size(), 4u + 25 * 4);

    auto decoder = AcmStream::Open(kIma, kPcm);
    // A destination too small for one block takes nothing.
    Result cramped = Convert(*decoder, aligned.out.data(), 256, 1000, kAcmConvertBlockAlign);
    EXPECT_EQ(cramped.used, 0u);
    EXPECT_TRUE(cramped.out.empty());
    // A partial block is left without the end flag and decoded in whole groups with it.
    EXPECT_EQ(Convert(*decoder, aligned.out.data(), 100, 2020, kAcmConvertBlockAlign).used, 0u);
    Result ending = Convert(*decoder, aligned.out.data(), 102, 2020, kAcmConvertEnd);
    EXPECT_EQ(ending.used, 102u);
    EXPECT_EQ(ending.out.size(), (1 + 24 * 8) * 2u);
    // Too short for the header: consumed, nothing produced.
    Result scrap = Convert(*decoder, aligned.out.data(), 3, 2020, kAcmConvertEnd);
    EXPECT_EQ(scrap.used, 3u);
    EXPECT_TRUE(scrap.out.empty());
}

TEST(AcmStreamTest, PartialSamplesOfG711AreKeptUntilTheEnd) {
    auto encoder = AcmStream::Open(Pcm16Format(8000, 2), G711Format(kWaveFormatMulaw, 8000, 2));
    std::vector<std::uint8_t> pcm = Ramp(3, 2);
    Result aligned = Convert(*encoder, pcm.data(), 10, 64, kAcmConvertBlockAlign);
    EXPECT_EQ(aligned.used, 8u);
    EXPECT_EQ(aligned.out.size(), 4u);
    Result ending = Convert(*encoder, pcm.data() + 8, 2, 64, kAcmConvertEnd);
    EXPECT_EQ(ending.used, 2u);
    EXPECT_TRUE(ending.out.empty());
    // The destination limits the frames taken.
    Result limited = Convert(*encoder, pcm.data(), pcm.size(), 3, kAcmConvertBlockAlign);
    EXPECT_EQ(limited.used, 4u);
    EXPECT_EQ(limited.out.size(), 2u);
}

TEST(AcmStreamTest, ChunkedConversionEqualsOneConversion) {
    for (std::uint16_t tag : {kWaveFormatMulaw, kWaveFormatAlaw, kWaveFormatImaAdpcm}) {
        WaveFormatRecord coded =
            tag == kWaveFormatImaAdpcm ? ImaAdpcmFormat(8000, 2) : G711Format(tag, 8000, 2);
        std::vector<std::uint8_t> pcm = Ramp(5000, 2);
        auto whole = AcmStream::Open(Pcm16Format(8000, 2), coded);
        Result once = Convert(*whole, pcm.data(), pcm.size(), 1 << 16, kAcmConvertEnd);
        EXPECT_EQ(once.used, pcm.size());

        // Pieces of uneven size, carrying what a block-aligned call leaves over.
        auto pieces = AcmStream::Open(Pcm16Format(8000, 2), coded);
        std::vector<std::uint8_t> joined;
        std::vector<std::uint8_t> pending;
        std::size_t offset = 0;
        for (std::size_t piece = 777; offset < pcm.size(); piece = piece * 3 % 5003 + 1) {
            std::size_t take = std::min(piece, pcm.size() - offset);
            pending.insert(pending.end(), pcm.begin() + offset, pcm.begin() + offset + take);
            offset += take;
            unsigned flags = offset == pcm.size() ? kAcmConvertEnd : kAcmConvertBlockAlign;
            Result r = Convert(*pieces, pending.data(), pending.size(), 1 << 16, flags);
            joined.insert(joined.end(), r.out.begin(), r.out.end());
            pending.erase(pending.begin(), pending.begin() + r.used);
        }
        EXPECT_TRUE(pending.empty()) << tag;
        EXPECT_EQ(joined, once.out) << tag;
    }
}

TEST(AcmStreamTest, StartForgetsTheStateCarriedBetweenBlocks) {
    std::vector<std::uint8_t> pcm = Ramp(505, 1);
    auto encoder = AcmStream::Open(kPcm, kIma);
    Result first = Convert(*encoder, pcm.data(), pcm.size(), 256, 0);
    Result carried = Convert(*encoder, pcm.data(), pcm.size(), 256, 0);
    Result restarted = Convert(*encoder, pcm.data(), pcm.size(), 256, kAcmConvertStart);
    ASSERT_EQ(first.out.size(), 256u);
    EXPECT_EQ(first.out[2], 0);    // a fresh stream starts at step index 0
    EXPECT_NE(carried.out[2], 0);  // the next block goes on from where the last one ended
    EXPECT_EQ(restarted.out, first.out);
}

}  // namespace
