// The frame decoder on its own: silent frames, the bit reservoir rule, the output size per
// version and channel count, and corrupt frames that must stay inside every buffer.
#include "audio/files/Mp3FrameDecoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr std::int32_t kGuard = 0x5A5A5A5A;

Mp3Header MakeHeader(int version, int sampleIndex, int mode, int bitrate) {
    Mp3Header h;
    h.version = version;
    h.sampleIndex = sampleIndex;
    h.mode = mode;
    h.modeExtension = mode == 1 ? 3 : 0;
    h.bitrate = bitrate;
    return h;
}

// Writes bit fields, first bit first.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& target) : bytes(target) {}
    void Put(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i, ++pos) {
            if ((value >> i) & 1) {
                bytes[pos / 8] |= static_cast<std::uint8_t>(0x80 >> (pos % 8));
            }
        }
    }

private:
    std::vector<std::uint8_t>& bytes;
    int pos = 0;
};

// A frame body of zero side information except main_data_begin: it decodes to silence.
std::vector<std::uint8_t> SilentBody(const Mp3Header& h, int mainDataBegin) {
    std::vector<std::uint8_t> body(h.BodyBytes(), 0);
    BitWriter(body).Put(mainDataBegin, h.version == 0 ? 9 : 8);
    return body;
}

// Decodes into a buffer with guard samples on both sides and checks that exactly the frame's
// samples were written when it decoded (none when it did not).
bool DecodeGuarded(Mp3FrameDecoder& decoder, const Mp3Header& h, const std::uint8_t* body, int size,
                   std::vector<std::int32_t>& samples) {
    const int count = h.SamplesPerFrame() * h.Channels();
    std::vector<std::int32_t> buffer(count + 64, kGuard);
    const bool decoded = decoder.Decode(h, body, size, buffer.data() + 32);
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

struct Layout {
    int version, sampleIndex, mode, bitrate;
};
const Layout kLayouts[] = {
    {0, 0, 1, 128000}, {0, 1, 3, 64000}, {0, 2, 0, 320000}, {1, 0, 1, 64000},
    {1, 2, 3, 8000},   {2, 0, 2, 32000}, {2, 2, 1, 160000}, {2, 1, 3, 24000},
};

TEST(Mp3FrameDecoderTest, SilentFramesGiveOneFrameOfZerosPerVersionAndMode) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    for (const Layout& l : kLayouts) {
        Mp3Header h = MakeHeader(l.version, l.sampleIndex, l.mode, l.bitrate);
        decoder->Reset();
        std::vector<std::uint8_t> body = SilentBody(h, 0);
        std::vector<std::int32_t> samples;
        ASSERT_TRUE(
            DecodeGuarded(*decoder, h, body.data(), static_cast<int>(body.size()), samples));
        EXPECT_EQ(samples.size(), std::size_t(h.SamplesPerFrame() * h.Channels()));
        EXPECT_EQ(std::count(samples.begin(), samples.end(), 0), std::ptrdiff_t(samples.size()));
    }
}

TEST(Mp3FrameDecoderTest, FrameReachingBeforeTheReservoirIsDroppedAndItsDataKept) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    decoder->Reset();
    Mp3Header h = MakeHeader(0, 0, 1, 128000);
    const int mainBytes = h.BodyBytes() - h.SideInfoBytes();
    std::vector<std::int32_t> samples;
    // Nothing is held yet: any reference back fails, and the frame writes nothing.
    std::vector<std::uint8_t> first = SilentBody(h, 1);
    EXPECT_FALSE(DecodeGuarded(*decoder, h, first.data(), static_cast<int>(first.size()), samples));
    // The dropped frame's main data is now in the reservoir, so a frame can reach back to it
    // but not one byte further.
    std::vector<std::uint8_t> tooFar = SilentBody(h, mainBytes + 1);
    EXPECT_FALSE(
        DecodeGuarded(*decoder, h, tooFar.data(), static_cast<int>(tooFar.size()), samples));
    std::vector<std::uint8_t> reachable = SilentBody(h, std::min(2 * mainBytes, 511));
    EXPECT_TRUE(
        DecodeGuarded(*decoder, h, reachable.data(), static_cast<int>(reachable.size()), samples));
    // Reset forgets the reservoir.
    decoder->Reset();
    EXPECT_FALSE(
        DecodeGuarded(*decoder, h, reachable.data(), static_cast<int>(reachable.size()), samples));
}

TEST(Mp3FrameDecoderTest, BodyShorterThanItsSideInformationIsNotDecoded) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    decoder->Reset();
    Mp3Header h = MakeHeader(0, 0, 0, 128000);
    std::vector<std::uint8_t> body(32, 0);
    std::vector<std::int32_t> samples;
    EXPECT_FALSE(DecodeGuarded(*decoder, h, body.data(), 31, samples));
    EXPECT_TRUE(DecodeGuarded(*decoder, h, body.data(), 32, samples));
}

// Random bytes as side information and main data: every field takes values a valid stream never
// has (big_values above 288, table 4 and 14, block type 0 with window switching, part2_3_length
// past the data, scalefactor bands out of range). Decoding must stay within the buffers
// (the sanitizer build checks that), produce the frame's samples, and depend only on its input.
TEST(Mp3FrameDecoderTest, CorruptFramesStayInBoundsAndAreRepeatable) {
    auto decoder = std::make_unique<Mp3FrameDecoder>();
    std::mt19937 random(7);
    for (const Layout& l : kLayouts) {
        Mp3Header h = MakeHeader(l.version, l.sampleIndex, l.mode, l.bitrate);
        std::vector<std::vector<std::uint8_t>> bodies(12);
        for (auto& body : bodies) {
            body.resize(h.BodyBytes());
            for (auto& byte : body) {
                byte = static_cast<std::uint8_t>(random());
            }
        }
        std::vector<std::vector<std::int32_t>> first;
        for (int pass = 0; pass < 2; ++pass) {
            decoder->Reset();
            for (std::size_t i = 0; i < bodies.size(); ++i) {
                std::vector<std::int32_t> samples;
                DecodeGuarded(*decoder, h, bodies[i].data(), static_cast<int>(bodies[i].size()),
                              samples);
                if (pass == 0) {
                    first.push_back(samples);
                } else {
                    EXPECT_EQ(samples, first[i]);
                }
            }
        }
    }
}

}  // namespace
