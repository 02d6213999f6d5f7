// G.711 companding: the standard table landmarks, code round trips and quantisation error.
#include "audio/files/G711.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(G711Test, TableLandmarksExtremesAndEveryCodeBack) {
    const std::pair<std::uint8_t, std::int16_t> mulaw[] = {
        {0x00, -32124}, {0x80, 32124}, {0x7F, 0}, {0xFE, 8}, {0x0F, -16764}, {0x70, -120}};
    const std::pair<std::uint8_t, std::int16_t> alaw[] = {{0xD5, 8},  {0x55, -8},  {0xAA, 32256},
                                                          {0xD4, 24}, {0xC5, 264}, {0x80, 5504}};
    for (auto [code, linear] : mulaw) {
        EXPECT_EQ(MulawToLinear(code), linear) << int(code);
    }
    for (auto [code, linear] : alaw) {
        EXPECT_EQ(AlawToLinear(code), linear) << int(code);
    }
    // The encoders at the extremes and zero: mu-law, then A-law.
    const std::tuple<std::int16_t, int, int> extremes[] = {
        {0, 0xFF, 0xD5}, {-1, 0x7F, 0x55}, {32767, 0x80, 0xAA}, {-32768, 0x00, 0x2A}};
    for (auto [linear, mu, a] : extremes) {
        EXPECT_EQ(std::pair(int{LinearToMulaw(linear)}, int{LinearToAlaw(linear)}),
                  std::pair(mu, a))
            << linear;
    }
    // Every code survives decoding and encoding.
    for (int code = 0; code < 256; ++code) {
        auto c = static_cast<std::uint8_t>(code);
        EXPECT_EQ(LinearToAlaw(AlawToLinear(c)), c) << code;
        // 0x7F is mu-law's negative zero, which encodes back as positive zero.
        EXPECT_EQ(LinearToMulaw(MulawToLinear(c)), code == 0x7F ? 0xFF : c) << code;
    }
}

TEST(G711Test, QuantisationIsMonotonicAndWithinHalfASegmentStep) {
    int previousMu = -32768;
    int previousA = -32768;
    for (int x = -32768; x <= 32767; ++x) {
        const int mu = MulawToLinear(LinearToMulaw(static_cast<std::int16_t>(x)));
        const int a = AlawToLinear(LinearToAlaw(static_cast<std::int16_t>(x)));
        ASSERT_GE(mu, previousMu) << x;
        ASSERT_GE(a, previousA) << x;
        previousMu = mu;
        previousA = a;
        // Beyond the clip levels the error grows with the distance to them.
        if (std::abs(x) <= 32124) {
            ASSERT_LE(std::abs(mu - x), (std::abs(x) + 132) / 32 + 1) << x;
        }
        if (std::abs(x) <= 32256) {
            ASSERT_LE(std::abs(a - x), std::abs(x) / 32 + 16) << x;
        }
    }
}

}  // namespace
