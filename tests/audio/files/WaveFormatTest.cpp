// The stored format record: parsing short and long records, and writing them back.
#include "audio/files/WaveFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(WaveFormatTest, StoredRecordRoundTripsAndShortRecordsReadWhatTheyHold) {
    const std::vector<std::uint8_t> ima = ImaAdpcmFormat(22050, 2).Serialize();
    ASSERT_EQ(ima.size(), 20u);
    auto parsed = WaveFormatRecord::Parse(ima.data(), ima.size());
    ASSERT_TRUE(parsed);
    // 512 bytes per channel at 22,050 Hz, blocks of 1,017 samples.
    EXPECT_EQ(std::tuple(parsed->formatTag, parsed->channels, parsed->sampleRate,
                         parsed->blockAlign, parsed->bytesPerSecond, parsed->bitsPerSample),
              std::tuple(kWaveFormatImaAdpcm, 2, 22050u, 1024, 22050u * 1024 / 1017, 4));
    EXPECT_EQ(parsed->extra, (std::vector<std::uint8_t>{0xF9, 0x03}));
    std::vector<std::uint8_t> bytes = Pcm16Format(44100, 2).Serialize();
    EXPECT_FALSE(WaveFormatRecord::Parse(bytes.data(), 13));
    auto fourteen = WaveFormatRecord::Parse(bytes.data(), 14);
    ASSERT_TRUE(fourteen);
    EXPECT_EQ(std::tuple(fourteen->blockAlign, fourteen->bitsPerSample),
              std::tuple(std::uint16_t{4}, std::uint16_t{0}));
    // An extra size beyond the record is cut to the bytes present.
    bytes[16] = 10;
    bytes.push_back(0xAB);
    EXPECT_EQ(WaveFormatRecord::Parse(bytes.data(), bytes.size())->extra,
              (std::vector<std::uint8_t>{0xAB}));
}

}  // namespace
