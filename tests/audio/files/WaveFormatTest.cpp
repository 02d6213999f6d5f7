// The stored format record: parsing short and long records, and writing them back.
#include "audio/files/WaveFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(WaveFormatTest, StoredRecordRoundTrips) {
    WaveFormatRecord ima = ImaAdpcmFormat(22050, 2);
    std::vector<std::uint8_t> bytes = ima.Serialize();
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_EQ(LoadLe16(&bytes[16]), 2);
    auto parsed = WaveFormatRecord::Parse(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->formatTag, kWaveFormatImaAdpcm);
    EXPECT_EQ(parsed->channels, 2);
    EXPECT_EQ(parsed->sampleRate, 22050u);
    EXPECT_EQ(parsed->blockAlign, 1024);  // 512 bytes per channel at 22,050 Hz
    EXPECT_EQ(parsed->bytesPerSecond, 22050u * 1024 / 1017);
    EXPECT_EQ(parsed->bitsPerSample, 4);
    EXPECT_EQ(parsed->extra, (std::vector<std::uint8_t>{0xF9, 0x03}));  // 1,017 samples
}

TEST(WaveFormatTest, ShortRecordsReadWhatTheyHold) {
    std::vector<std::uint8_t> bytes = Pcm16Format(44100, 2).Serialize();
    EXPECT_FALSE(WaveFormatRecord::Parse(bytes.data(), 13));
    auto fourteen = WaveFormatRecord::Parse(bytes.data(), 14);
    ASSERT_TRUE(fourteen);
    EXPECT_EQ(fourteen->blockAlign, 4);
    EXPECT_EQ(fourteen->bitsPerSample, 0);
    auto sixteen = WaveFormatRecord::Parse(bytes.data(), 16);
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(sixteen->bitsPerSample, 16);
    // An extra size beyond the record is cut to the bytes present.
    bytes[16] = 10;
    bytes.push_back(0xAB);
    auto cut = WaveFormatRecord::Parse(bytes.data(), bytes.size());
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->extra, (std::vector<std::uint8_t>{0xAB}));
}

}  // namespace
