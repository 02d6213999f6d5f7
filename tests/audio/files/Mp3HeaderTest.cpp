// Layer III frame headers: what counts as a header, and the rates, channels and sizes it gives.
#include "audio/files/Mp3Header.h"

#include <gtest/gtest.h>

#include "Mp3TestFiles.h"

namespace {

TEST(Mp3HeaderTest, FieldsRatesAndSizesPerVersionAndWhatIsNoHeader) {
    struct Row {
        int versionBits, bitrateIndex, sampleIndex, mode, padding;
        int version, bitrate, rate, channels, samples, frameBytes, sideBytes;
    } rows[] = {
        {3, 9, 0, 1, 0, 0, 128000, 44100, 2, 1152, 417, 32},  // 144 * 128000 / 44100 = 417.96
        {3, 9, 0, 1, 1, 0, 128000, 44100, 2, 1152, 418, 32},
        {3, 14, 2, 2, 1, 0, 320000, 32000, 2, 1152, 1441, 32},  // the largest frame
        {3, 1, 0, 3, 0, 0, 32000, 44100, 1, 1152, 104, 17},
        {2, 8, 0, 0, 0, 1, 64000, 22050, 2, 576, 208, 17},
        {0, 4, 0, 3, 0, 2, 32000, 11025, 1, 576, 208, 9},
        {0, 14, 2, 3, 1, 2, 160000, 8000, 1, 576, 1441, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "version bits " << row.versionBits << " bitrate index "
                                        << row.bitrateIndex << " rate index " << row.sampleIndex);
        const std::vector<std::uint8_t> bytes = HeaderBytes(
            row.versionBits, row.bitrateIndex, row.sampleIndex, row.mode, 1, row.padding);
        Mp3Header h;
        ASSERT_TRUE(ParseMp3Header(bytes.data(), h));
        EXPECT_EQ(std::tuple(h.version, h.bitrate, h.SampleRate(), h.Channels(), h.mode),
                  std::tuple(row.version, row.bitrate, row.rate, row.channels, row.mode));
        EXPECT_EQ(std::tuple(h.SamplesPerFrame(), h.FrameBytes(), h.SideInfoBytes(), h.BodyBytes()),
                  std::tuple(row.samples, row.frameBytes, row.sideBytes, row.frameBytes - 4));
        EXPECT_EQ(std::pair(h.modeExtension, h.crc), std::pair(2, false));
    }
    // A CRC takes two bytes after the header.
    Mp3Header h;
    ASSERT_TRUE(ParseMp3Header(HeaderBytes(3, 9, 0, 1, 1, 0, true).data(), h));
    EXPECT_TRUE(h.crc);
    EXPECT_EQ(h.BodyBytes(), 417 - 6);
    // Other layers, free format and reserved values are no header.
    const std::vector<std::uint8_t> refused[] = {
        HeaderBytes(3, 9, 0, 1, 2),                            // Layer II
        HeaderBytes(3, 9, 0, 1, 3),                            // Layer I
        HeaderBytes(3, 9, 0, 1, 0),                            // reserved layer
        HeaderBytes(1, 9, 0, 1),                               // reserved version
        HeaderBytes(3, 0, 0, 1),                               // free format
        HeaderBytes(3, 15, 0, 1),                              // forbidden bitrate index
        HeaderBytes(3, 9, 3, 1),                               // reserved sampling frequency
        {0xFF, 0xDB, 0x90, 0x64},   {0xFE, 0xFB, 0x90, 0x64},  // sync of 11 bits broken
        {'I', 'D', '3', 4},
    };
    for (const auto& bytes : refused) {
        Mp3Header h;
        EXPECT_FALSE(ParseMp3Header(bytes.data(), h))
            << std::hex << int(bytes[0]) << " " << int(bytes[1]) << " " << int(bytes[2]);
    }
}

}  // namespace
