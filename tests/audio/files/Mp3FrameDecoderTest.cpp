// The frame decoder on its own: silence, the reservoir, intensity stereo and corrupt frames.
#include "audio/files/Mp3FrameDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
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

// An MPEG-1 joint-stereo frame with intensity stereo on: in both granules the left channel has one
// line (line 0, magnitude 1) and the right channel none, only its scalefactors, which are the
// intensity positions. Returns the decoded frame.
std::vector<std::int32_t> DecodeIntensityFrame(int position, bool midSide) {
    Mp3Header h = MakeHeader(0, 0, 1, 128000);
    h.modeExtension = midSide ? 3 : 1;
    std::vector<std::uint8_t> body(h.BodyBytes(), 0);
    int side = 0;
    int data = 8 * h.SideInfoBytes();
    Put(body, side, 0, 9 + 3 + 4 + 4);  // main_data_begin, private bits, scfsi
    for (int gr = 0; gr < 2; ++gr) {
        // Left: 3 bits of main data (the pair (1, 0) of table 1 and its sign), gain 1.0. Right:
        // scalefac_compress 4 gives 3-bit scalefactors for bands 0 to 10, nothing else.
        for (auto [value, bits] : {std::pair{3u, 12},
                                   {1u, 9},
                                   {210u, 8},
                                   {0u, 4},
                                   {0u, 1},
                                   {1u, 5},
                                   {0u, 10 + 4 + 3 + 3},
                                   {33u, 12},
                                   {0u, 9},
                                   {210u, 8},
                                   {4u, 4},
                                   {0u, 1 + 15 + 4 + 3 + 3}}) {
            Put(body, side, value, bits);
        }
        Put(body, data, 0b010, 3);  // x = 1, y = 0, positive
        for (int band = 0; band < 11; ++band) {
            Put(body, data, position, 3);
        }
    }
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    decoder->Reset();
    std::vector<std::int32_t> samples;
    EXPECT_TRUE(DecodeGuarded(*decoder, h, body, samples));
    return samples;
}

TEST(Mp3FrameDecoderTest, IntensityPositionsSplitTheLeftChannelBetweenBoth) {
    // Position 0 puts everything right, 6 everything left, 3 half in each.
    const auto right = DecodeIntensityFrame(0, false);
    const auto left = DecodeIntensityFrame(6, false);
    const auto centre = DecodeIntensityFrame(3, false);
    EXPECT_GT(std::ranges::max(left), 1000);
    for (std::size_t i = 0; i < left.size(); i += 2) {
        ASSERT_EQ(std::tuple(right[i], right[i + 1], left[i + 1]), std::tuple(0, left[i], 0)) << i;
        ASSERT_NEAR(centre[i], centre[i + 1], 1);
        ASSERT_NEAR(2 * centre[i], left[i], 2);
    }
    // Middle/side on as well: legal positions still take intensity stereo.
    EXPECT_EQ(DecodeIntensityFrame(0, true), right);
    // Position 7 is not an intensity position: the band keeps its channels (left only), or
    // with middle/side on they are middle and side, which gives two equal channels.
    EXPECT_EQ(DecodeIntensityFrame(7, false), left);
    const auto midSide = DecodeIntensityFrame(7, true);
    EXPECT_GT(std::ranges::max(midSide), 1000);
    for (std::size_t i = 0; i < midSide.size(); i += 2) {
        ASSERT_EQ(midSide[i], midSide[i + 1]);
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
