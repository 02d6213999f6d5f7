// The frame decoder on its own: silence, the reservoir, intensity stereo and corrupt frames.
#include "audio/files/Mp3FrameDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr std::int32_t kGuard = 0x5A5A5A5A;

Mp3Header MakeHeader(int version, int sampleIndex, int mode, int bitrate) {
    return {.version = version,
            .bitrate = bitrate,
            .sampleIndex = sampleIndex,
            .mode = mode,
            .modeExtension = mode == 1 ? 3 : 0};
}

// Writes `bits` bits of `value` at bit `pos` of `bytes`, first bit first, and moves `pos` on.
void Put(std::vector<std::uint8_t>& bytes, int& pos, unsigned value, int bits) {
    for (int i = bits - 1; i >= 0; --i, ++pos) {
        bytes[pos / 8] |= static_cast<std::uint8_t>(((value >> i) & 1) << (7 - pos % 8));
    }
}

// A frame body of zero side information except main_data_begin: it decodes to silence.
std::vector<std::uint8_t> SilentBody(const Mp3Header& h, int mainDataBegin) {
    std::vector<std::uint8_t> body(h.BodyBytes(), 0);
    int pos = 0;
    Put(body, pos, mainDataBegin, h.version == 0 ? 9 : 8);
    return body;
}

// Decodes into a buffer with guard samples on both sides and checks that exactly the frame's
// samples were written when it decoded (none when it did not).
bool DecodeGuarded(Mp3FrameDecoder& decoder, const Mp3Header& h,
                   const std::vector<std::uint8_t>& body, std::vector<std::int32_t>& samples) {
    const int count = h.SamplesPerFrame() * h.Channels();
    std::vector<std::int32_t> buffer(count + 64, kGuard);
    const bool decoded = decoder.Decode(h, body.data(), int(body.size()), buffer.data() + 32);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(buffer[i], kGuard);
        EXPECT_EQ(buffer[32 + count + i], kGuard);
    }
    samples.assign(buffer.begin() + 32, buffer.begin() + 32 + count);
    if (!decoded) {
        EXPECT_EQ(std::count(samples.begin(), samples.end(), kGuard), count);
    }
    return decoded;
}

const Mp3Header kLayouts[] = {
    MakeHeader(0, 0, 1, 128000), MakeHeader(0, 1, 3, 64000), MakeHeader(0, 2, 0, 320000),
    MakeHeader(1, 0, 1, 64000),  MakeHeader(1, 2, 3, 8000),  MakeHeader(2, 0, 2, 32000),
    MakeHeader(2, 2, 1, 160000), MakeHeader(2, 1, 3, 24000),
};

// Silent frames give one frame of zeros per version and mode; a body shorter than its side
// information is not decoded, and neither is a frame that reaches back before the reservoir.
TEST(Mp3FrameDecoderTest, SilentFramesShortBodiesAndTheBitReservoirRule) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    std::vector<std::int32_t> samples;
    for (const Mp3Header& h : kLayouts) {
        decoder->Reset();
        ASSERT_TRUE(DecodeGuarded(*decoder, h, SilentBody(h, 0), samples));
        EXPECT_EQ(std::count(samples.begin(), samples.end(), 0), std::ptrdiff_t(samples.size()));
    }
    EXPECT_FALSE(DecodeGuarded(*decoder, kLayouts[2], std::vector<std::uint8_t>(31), samples));
    EXPECT_TRUE(DecodeGuarded(*decoder, kLayouts[2], std::vector<std::uint8_t>(32), samples));
    const Mp3Header& h = kLayouts[0];
    const int mainBytes = h.BodyBytes() - h.SideInfoBytes();
    decoder->Reset();
    // Nothing is held yet: any reference back fails, and the frame writes nothing.
    EXPECT_FALSE(DecodeGuarded(*decoder, h, SilentBody(h, 1), samples));
    // The dropped frame's main data is now in the reservoir, so a frame can reach back to it
    // but not one byte further.
    EXPECT_FALSE(DecodeGuarded(*decoder, h, SilentBody(h, mainBytes + 1), samples));
    const std::vector<std::uint8_t> reachable = SilentBody(h, std::min(2 * mainBytes, 511));
    EXPECT_TRUE(DecodeGuarded(*decoder, h, reachable, samples));
    decoder->Reset();  // forgets the reservoir
    EXPECT_FALSE(DecodeGuarded(*decoder, h, reachable, samples));
}

// One granule of one channel of a hand-made frame: its scalefactor fields (value, bits), then
// the values +1 at the given places in decoding order, coded with table 1.
struct GranuleCode {
    int blockType = 0;  // with window switching unless 0
    bool mixed = false;
    int globalGain = 210;  // 1.0
    int scalefacCompress = 0;
    std::vector<std::pair<unsigned, int>> scalefactors = {};
    std::vector<int> ones = {};  // ascending
};

// A frame body holding `codes` granule by granule, channel by channel, from main data begin 0.
std::vector<std::uint8_t> CodedBody(const Mp3Header& h, const std::vector<GranuleCode>& codes) {
    std::vector<std::uint8_t> body(h.BodyBytes(), 0);
    const bool mpeg1 = h.version == 0;
    // main_data_begin, private bits and scfsi are zeros.
    int side = mpeg1 ? (h.Mono() ? 18 : 20) : (h.Mono() ? 9 : 10);
    int data = 8 * h.SideInfoBytes();
    for (const GranuleCode& c : codes) {
        const int first = data;
        for (auto [value, bits] : c.scalefactors) {
            Put(body, data, value, bits);
        }
        const int pairs = c.ones.empty() ? 0 : c.ones.back() / 2 + 1;
        for (int i = 0; i < pairs; ++i) {
            const int x = int(std::ranges::count(c.ones, 2 * i));
            const int y = int(std::ranges::count(c.ones, 2 * i + 1));
            // (0, 0) 1, (0, 1) 001, (1, 0) 01, (1, 1) 000, then a sign bit 0 for each 1.
            static constexpr std::pair<unsigned, int> kTable1[2][2] = {{{1, 1}, {1, 3}},
                                                                       {{1, 2}, {0, 3}}};
            Put(body, data, kTable1[x][y].first << (x + y), kTable1[x][y].second + x + y);
        }
        Put(body, side, data - first, 12);
        Put(body, side, pairs, 9);
        Put(body, side, c.globalGain, 8);
        Put(body, side, c.scalefacCompress, mpeg1 ? 4 : 9);
        if (c.blockType != 0) {
            // Window switching, block type, mixed flag, tables 1 and 1, subblock gains 0.
            Put(body, side, 8 | c.blockType << 1 | int(c.mixed), 4);
            Put(body, side, 0b0000100001, 10);
            side += 9;
        } else {
            Put(body, side, 0b000010000100001, 16);  // tables 1, 1 and 1 after the flag
            side += 7;                               // region counts 0
        }
        side += mpeg1 ? 3 : 2;  // preflag, scalefac_scale and count1table_select 0
    }
    return body;
}

std::vector<std::int32_t> DecodeCoded(const Mp3Header& h, const std::vector<GranuleCode>& codes) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    decoder->Reset();
    std::vector<std::int32_t> samples;
    EXPECT_TRUE(DecodeGuarded(*decoder, h, CodedBody(h, codes), samples));
    return samples;
}

// An MPEG-1 joint-stereo frame with intensity stereo on: in both granules the left channel has one
// line (line 0, magnitude 1) and the right channel none, only its scalefactors, which are the
// intensity positions. Returns the decoded frame.
std::vector<std::int32_t> DecodeIntensityFrame(int position, bool midSide) {
    Mp3Header h = MakeHeader(0, 0, 1, 128000);
    h.modeExtension = midSide ? 3 : 1;
    // scalefac_compress 4 gives 3-bit scalefactors for bands 0 to 10.
    const GranuleCode left{.ones = {0}};
    const GranuleCode right{.scalefacCompress = 4,
                            .scalefactors = std::vector(11, std::pair{unsigned(position), 3})};
    return DecodeCoded(h, {left, right, left, right});
}

TEST(Mp3FrameDecoderTest, IntensityPositionsSplitTheLeftChannelBetweenBoth) {
    // Position 0 puts everything right, 6 everything left (other positions: the top band's
    // test), with middle/side on as well. Position 7 is not an intensity position: the band
    // keeps its channels (left only), or as middle and side gives two equal channels.
    const auto right = DecodeIntensityFrame(0, true);
    const auto left = DecodeIntensityFrame(7, false);
    const auto midSide = DecodeIntensityFrame(7, true);
    EXPECT_GT(std::ranges::max(left), 1000);
    EXPECT_EQ(DecodeIntensityFrame(6, false), left);
    for (std::size_t i = 0; i < left.size(); i += 2) {
        ASSERT_EQ(std::tuple(right[i], right[i + 1], left[i + 1]), std::tuple(0, left[i], 0)) << i;
        ASSERT_EQ(midSide[i], midSide[i + 1]);
    }
}

// Start and stop blocks with the mixed flag set take the normal window in subbands 0 and 1
// only: a frame with a line at line 0 decodes as the same frame of normal blocks, and one with a
// line in subband 2 (line 44, which alias reduction leaves alone) as without the flag.
TEST(Mp3FrameDecoderTest, MixedStartAndStopBlocksKeepTheNormalWindowInTheLowestSubbands) {
    const auto decode = [](int first, int second, bool mixed, int line) {
        return DecodeCoded(MakeHeader(0, 0, 3, 128000),
                           {{.blockType = first, .mixed = mixed, .ones = {line}},
                            {.blockType = second, .mixed = mixed, .ones = {line}}});
    };
    const std::vector<std::int32_t> normal = decode(0, 0, false, 0);
    EXPECT_GT(std::ranges::max(normal), 1000);
    EXPECT_EQ(decode(1, 3, true, 0), normal);
    EXPECT_NE(decode(1, 3, false, 0), normal);
    EXPECT_EQ(decode(1, 3, true, 44), decode(1, 3, false, 44));
    EXPECT_NE(decode(1, 3, true, 44), decode(0, 0, false, 44));
}

// The top band (long band 21, short band 12 of each window) has no scalefactor: it takes the
// intensity position of the band below only when that band is an intensity band itself.
// Otherwise it has position 0 at the lower sampling frequencies (both channels get the left
// line) and no intensity stereo in MPEG-1. Each row codes position 5 in the band below, the
// right channel's highest line in it or the band under it, and a left line in the top band;
// each output channel is measured as its share of that left line decoded without intensity.
TEST(Mp3FrameDecoderTest, TheTopBandTakesOnlyAnIntensityPositionFromTheBandBelow) {
    const double lsf5 = std::exp2(-0.75);  // position 5: left 2^(-3/4), right 1
    const double mpeg15 = 1 / (1 + std::tan(std::numbers::pi / 12));  // left; right 1 - it
    const struct {
        const char* name;
        int version;
        int blockType;
        std::vector<int> right, left;
        double leftShare, rightShare;
    } rows[] = {
        {"LSF long, band 20 below", 1, 0, {464}, {530}, 1, 1},
        {"LSF long, band 20 intensity", 1, 0, {396}, {530}, lsf5, 1},
        {"LSF short, band 11 below", 1, 2, {396, 438, 480}, {522, 540, 558}, 1, 1},
        {"LSF short, band 11 intensity", 1, 2, {300, 332, 364}, {522, 540, 558}, lsf5, 1},
        {"MPEG-1 long, band 20 below", 0, 0, {342}, {450}, 1, 0},
        {"MPEG-1 long, band 20 intensity", 0, 0, {288}, {450}, mpeg15, 1 - mpeg15},
    };
    for (const auto& row : rows) {
        // 3-bit scalefactors on the right: LSF scalefac_compress 6 codes long bands 14 to 20 or
        // short bands 8 to 11, MPEG-1 scalefac_compress 3 long bands 11 to 20.
        const bool lsf = row.version != 0;
        std::vector<std::pair<unsigned, int>> scalefactors(lsf && row.blockType == 0 ? 6 : 9,
                                                           {0, 3});
        scalefactors.insert(scalefactors.end(), row.blockType == 2 ? 3 : 1, {5, 3});
        const GranuleCode left{.blockType = row.blockType, .globalGain = 218, .ones = row.left};
        const GranuleCode right{.blockType = row.blockType,
                                .scalefacCompress = lsf ? 6 : 3,
                                .scalefactors = scalefactors,
                                .ones = row.right};
        std::vector<GranuleCode> codes = {left, right};
        if (!lsf) {
            codes.insert(codes.end(), {left, right});
        }
        Mp3Header h = MakeHeader(row.version, 0, 1, lsf ? 160000 : 128000);
        h.modeExtension = 0;
        const std::vector<std::int32_t> plain = DecodeCoded(h, codes);
        h.modeExtension = 1;
        const std::vector<std::int32_t> decoded = DecodeCoded(h, codes);
        double shares[2] = {};
        double energy = 0;
        for (std::size_t i = 0; i < plain.size(); i += 2) {
            shares[0] += double(decoded[i]) * plain[i];
            shares[1] += double(decoded[i + 1]) * plain[i];
            energy += double(plain[i]) * plain[i];
        }
        EXPECT_GT(energy, 0) << row.name;
        EXPECT_NEAR(shares[0] / energy, row.leftShare, 0.01) << row.name;
        EXPECT_NEAR(shares[1] / energy, row.rightShare, 0.01) << row.name;
    }
}

// Random bytes as side information and main data: every field takes values a valid stream never
// has (big_values above 288, table 4 and 14, block type 0 with window switching, part2_3_length
// past the data, scalefactor bands out of range). Decoding must stay within the buffers
// (the sanitizer build checks that), produce the frame's samples, and depend only on its input.
TEST(Mp3FrameDecoderTest, CorruptFramesStayInBoundsAndAreRepeatable) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    std::mt19937 random(7);
    for (const Mp3Header& h : kLayouts) {
        std::vector<std::vector<std::uint8_t>> bodies(12, std::vector<std::uint8_t>(h.BodyBytes()));
        for (auto& body : bodies) {
            std::generate(body.begin(), body.end(), [&] { return std::uint8_t(random()); });
        }
        std::vector<std::vector<std::int32_t>> first(bodies.size());
        for (int pass = 0; pass < 2; ++pass) {
            decoder->Reset();
            for (std::size_t i = 0; i < bodies.size(); ++i) {
                std::vector<std::int32_t> samples;
                DecodeGuarded(*decoder, h, bodies[i], samples);
                if (pass == 0) {
                    first[i] = samples;
                } else {
                    EXPECT_EQ(samples, first[i]);
                }
            }
        }
    }
}

}  // namespace
