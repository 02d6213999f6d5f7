// The codec streams: which pairs open, their sizes, and the block-align, end and start flags.
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

// Source bytes used and destination bytes produced.
using Sizes = std::pair<std::size_t, std::size_t>;

struct Result {
    std::vector<std::uint8_t> out;
    std::uint32_t used = 0;
    Sizes Used() const { return {used, out.size()}; }
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

TEST(AcmStreamTest, OpensOnlyTheOfferedPairsAndSizesCountWholeBlocks) {
    // Every offered pair opens both ways in the conversion tests.
    const WaveFormatRecord alaw = G711Format(kWaveFormatAlaw, 8000, 1);
    const auto changed = [](WaveFormatRecord record, auto change) {
        change(record);
        return record;
    };
    const std::tuple<const char*, WaveFormatRecord, WaveFormatRecord, bool> rows[] = {
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
    for (const auto& [name, from, to, opens] : rows) {
        EXPECT_EQ(AcmStream::Open(from, to) != nullptr, opens) << name;
    }
    // Buffer sizes count whole blocks.
    auto alawEncode = AcmStream::Open(Pcm16Format(8000, 2), G711Format(kWaveFormatAlaw, 8000, 2));
    EXPECT_EQ(alawEncode->DestinationSizeFor(4 * 8192), 16384u);
    EXPECT_EQ(alawEncode->DestinationSizeFor(3), 0u);  // not one whole frame
    EXPECT_EQ(alawEncode->SourceSizeFor(8192), 16384u);
    // IMA mono, 256-byte blocks of 505 samples (1,010 PCM bytes).
    auto imaEncode = AcmStream::Open(kPcm, kIma);
    EXPECT_EQ(imaEncode->DestinationSizeFor(16384), 17 * 256u);  // the partial block counts
    EXPECT_EQ(imaEncode->DestinationSizeFor(1009), 0u);
    EXPECT_EQ(imaEncode->SourceSizeFor(600), 2 * 1010u);
}

TEST(AcmStreamTest, BlockAlignLeavesAPartialBlockOrFrameAndEndConvertsIt) {
    auto encoder = AcmStream::Open(kPcm, kIma);
    std::vector<std::uint8_t> pcm = Ramp(700, 1);
    Result aligned = Convert(*encoder, pcm.data(), pcm.size(), 4096, kAcmConvertBlockAlign);
    EXPECT_EQ(aligned.Used(), Sizes(1010, 256));
    // The 195 frames left make a short block: header and ceil(194 / 8) = 25 groups.
    EXPECT_EQ(Convert(*encoder, &pcm[1010], pcm.size() - 1010, 4096, kAcmConvertEnd).Used(),
              Sizes(390, 4 + 25 * 4));
    auto decoder = AcmStream::Open(kIma, kPcm);
    const auto decode = [&](std::size_t size, std::uint32_t capacity, unsigned flags) {
        return Convert(*decoder, aligned.out.data(), size, capacity, flags).Used();
    };
    // A destination too small for one block takes nothing; a partial block is left without the
    // end flag and decoded in whole groups with it; too short for the header, it is consumed
    // and produces nothing.
    EXPECT_EQ(decode(256, 1000, kAcmConvertBlockAlign), Sizes(0, 0));
    EXPECT_EQ(decode(100, 2020, kAcmConvertBlockAlign), Sizes(0, 0));
    EXPECT_EQ(decode(102, 2020, kAcmConvertEnd), Sizes(102, (1 + 24 * 8) * 2));
    EXPECT_EQ(decode(3, 2020, kAcmConvertEnd), Sizes(3, 0));
    // G.711 keeps a partial stereo frame until the end; the destination limits the frames taken.
    auto mulaw = AcmStream::Open(Pcm16Format(8000, 2), G711Format(kWaveFormatMulaw, 8000, 2));
    EXPECT_EQ(Convert(*mulaw, pcm.data(), 10, 64, kAcmConvertBlockAlign).Used(), Sizes(8, 4));
    EXPECT_EQ(Convert(*mulaw, &pcm[8], 2, 64, kAcmConvertEnd).Used(), Sizes(2, 0));
    EXPECT_EQ(Convert(*mulaw, pcm.data(), 12, 3, kAcmConvertBlockAlign).Used(), Sizes(4, 2));
}

TEST(AcmStreamTest, ChunkedConversionEqualsOneConversion) {
    const std::vector<std::uint8_t> pcm = Ramp(5000, 2);
    for (const WaveFormatRecord& coded :
         {G711Format(kWaveFormatMulaw, 8000, 2), G711Format(kWaveFormatAlaw, 8000, 2),
          ImaAdpcmFormat(8000, 2)}) {
        auto whole = AcmStream::Open(Pcm16Format(8000, 2), coded);
        const Result once = Convert(*whole, pcm.data(), pcm.size(), 1 << 16, kAcmConvertEnd);
        EXPECT_EQ(once.used, pcm.size());
        // Pieces of uneven size, carrying what a block-aligned call leaves over.
        auto pieces = AcmStream::Open(Pcm16Format(8000, 2), coded);
        std::vector<std::uint8_t> joined;
        std::vector<std::uint8_t> pending;
        for (std::size_t offset = 0, piece = 777; offset < pcm.size(); piece = piece * 3 % 5003) {
            const std::size_t take = std::min(piece + 1, pcm.size() - offset);
            pending.insert(pending.end(), pcm.begin() + offset, pcm.begin() + offset + take);
            offset += take;
            const Result r = Convert(*pieces, pending.data(), pending.size(), 1 << 16,
                                     offset == pcm.size() ? kAcmConvertEnd : kAcmConvertBlockAlign);
            joined.insert(joined.end(), r.out.begin(), r.out.end());
            pending.erase(pending.begin(), pending.begin() + r.used);
        }
        EXPECT_TRUE(pending.empty()) << coded.formatTag;
        EXPECT_EQ(joined, once.out) << coded.formatTag;
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
