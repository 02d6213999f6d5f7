// IMA ADPCM: samples per block, and per-code steps worked out from the step and index tables.
#include "audio/files/ImaAdpcm.h"

#include <gtest/gtest.h>

namespace {

TEST(ImaAdpcmTest, SamplesPerBlockFollowTheBlockSizeAndCodesStepByTheTablesAndClamp) {
    const std::tuple<unsigned, unsigned, unsigned> rows[] = {
        {256, 1, 505}, {1024, 2, 1017}, {4, 1, 1},  {255, 1, 0},
        {260, 2, 0},   {0, 1, 0},       {256, 0, 0}};
    for (auto [blockAlign, channels, samples] : rows) {
        EXPECT_EQ(ImaSamplesPerBlock(blockAlign, channels), samples)
            << blockAlign << "/" << channels;
    }
    // Worked by hand: step 7 at index 0, 16 at 8, 34 at 16, 73 at 24, 66 at 23, 80 at 25.
    // 0 + 7/8 + 7 + 7/2 + 7/4 = 11; + 16 + 8 + 4 + 2; -(34 + 17 + 8 + 4); + 73/8; + 66 + 8;
    // -(80/8) with the index down by one.
    const std::tuple<unsigned, std::int16_t, std::int32_t> steps[] = {
        {0x7, 11, 8}, {0x7, 41, 16}, {0xF, -22, 24}, {0x0, -13, 23}, {0x4, 61, 25}, {0x8, 51, 24}};
    ImaAdpcmState state;
    for (auto [nibble, sample, stepIndex] : steps) {
        EXPECT_EQ(ImaDecodeNibble(state, nibble), sample) << nibble;
        EXPECT_EQ(state.stepIndex, stepIndex) << nibble;
    }
    ImaAdpcmState high{32700, 88};
    EXPECT_EQ(ImaDecodeNibble(high, 0x7), 32767);
    EXPECT_EQ(high.stepIndex, 88);
    ImaAdpcmState low{-32700, 88};
    EXPECT_EQ(ImaDecodeNibble(low, 0xF), -32768);
    ImaAdpcmState quiet{5, 0};
    EXPECT_EQ(ImaDecodeNibble(quiet, 0x3), 5 + 0 + 3 + 1);
    EXPECT_EQ(quiet.stepIndex, 0);
    // The encoder picks the nearest code and tracks the decoder: 5 >= 7/2, then the rest 2 >= 7/4:
    // code 3, decoded as 0 + 3 + 1.
    for (auto [sample, code, predictor, stepIndex] :
         {std::tuple{11, 0x7u, 11, 8}, {-100, 0xFu, -11, 8}, {5, 0x3u, 4, 0}}) {
        ImaAdpcmState state;
        EXPECT_EQ(ImaEncodeSample(state, static_cast<std::int16_t>(sample)), code) << sample;
        EXPECT_EQ(state.predictor, predictor) << sample;
        EXPECT_EQ(state.stepIndex, stepIndex) << sample;
    }
}

}  // namespace
