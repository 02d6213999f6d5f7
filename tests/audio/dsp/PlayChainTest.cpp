// The telephone play chain: which filters the settings switch on, in what order, and ownership.
#include "audio/dsp/PlayChain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/dsp/LCompressor.h"
#include "audio/dsp/LGainFilter.h"
#include "audio/dsp/LHighPassFilter.h"
#include "audio/dsp/TestSources.h"

namespace {

// The filter classes from the head of the chain down to the file, as letters: H, C, G.
std::string Shape(const LSoundSourcePtr& head, const LSoundSource* file) {
    std::string shape;
    for (LSoundSource* s = head.Get(); s != file;
         s = static_cast<LSoundFilter*>(s)->upstream.Get()) {
        shape += dynamic_cast<LHighPassFilter*>(s) != nullptr ? 'H'
                 : dynamic_cast<LCompressor*>(s) != nullptr   ? 'C'
                 : dynamic_cast<LGainFilter*>(s) != nullptr   ? 'G'
                                                              : '?';
    }
    return shape;
}

TEST(PlayChainTest, SettingsSwitchTheFiltersOnInOrderAndOnlyAUsableFileGetsAChainItsHeadHolds) {
    // The high-pass cut-off, the compressor threshold, the gain and the shape, head first.
    const std::tuple<std::int32_t, std::int8_t, std::int8_t, const char*> rows[] = {
        {20, -2, 1, ""}, {20, -2, -1, ""}, {21, 0, 0, "H"},   {0, -3, 0, "C"},
        {0, 0, 2, "G"},  {0, 0, -2, "G"},  {300, 0, 2, "GH"}, {300, -12, 6, "GCH"},
    };
    for (const auto& [highPass, threshold, gain, shape] : rows) {
        auto file = MakeVectorSource(Noise(100, 1000), 8000);
        LSoundSourcePtr head = BuildPlayChain(file, highPass, threshold, gain);
        ASSERT_TRUE(head);
        EXPECT_EQ(Shape(head, file.Get()), shape)
            << highPass << " Hz, " << int{threshold} << " dB, " << int{gain} << " dB";
    }
    // The filters get the setting values, and the head alone holds the chain.
    int alive = 0;
    LSoundSourcePtr head;
    {
        auto file = MakeVectorSource(Noise(8000, 100000), 8000, 1, &alive);
        head = BuildPlayChain(file, 300, -12, 2);
        EXPECT_EQ(file->refCount, 2);  // ours and the high-pass filter's
    }
    auto* gain = static_cast<LGainFilter*>(head.Get());
    EXPECT_EQ(gain->gain, 21121264);
    auto* compressor = static_cast<LCompressor*>(gain->upstream.Get());
    EXPECT_EQ(std::pair(compressor->gainTable[0], compressor->blockFrames),
              std::pair(42142461, 400));
    EXPECT_EQ(static_cast<LHighPassFilter*>(compressor->upstream.Get())->coefficient, 53);
    ReadAll(*head, 1000);
    EXPECT_EQ(std::pair(int{head->refCount}, alive), std::pair(1, 1));
    head.Release();
    EXPECT_EQ(alive, 0);
    // No chain without a usable file.
    EXPECT_FALSE(BuildPlayChain(LSoundSourcePtr(), 300, -12, 2));
    auto invalid = MakeVectorSource({}, 8000);
    invalid->flags |= kSoundInvalid;
    EXPECT_FALSE(BuildPlayChain(invalid, 300, -12, 2));
    EXPECT_EQ(invalid->refCount, 1);
}

}  // namespace
