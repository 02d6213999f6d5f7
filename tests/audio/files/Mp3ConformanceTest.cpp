// Accuracy of the MP3 decoder against libmpg123 on files lame encodes in every layout.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Mp3TestFiles.h"
#include "support/TempDir.h"

namespace {

// The "full accuracy" bar of ISO/IEC 11172-4 at our scale (1.0 = 262,144): an RMS difference of
// at most 2^-15 / sqrt(12) of full scale and no sample more than 2^-14 off.
constexpr double kMaxRms = 262144.0 / 32768.0 / std::sqrt(12.0);  // 2.31
constexpr double kMaxDifference = 262144.0 / 16384.0;             // 16

struct Reference {
    long rate = 0;
    int channels = 0;
    std::vector<float> samples;
};

// The reference decoder: float output, every frame (the encoder's info frame too, as the
// reader decodes it) and no gapless trimming, so both outputs start at the same sample.
Reference DecodeWithMpg123(const std::string& path) {
    Reference ref;
    mpg123_init();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(handle, MPG123_ADD_FLAGS,
                 MPG123_FORCE_FLOAT | MPG123_IGNORE_INFOFRAME | MPG123_QUIET, 0);
    if (mpg123_open(handle, path.c_str()) == MPG123_OK) {
        int encoding = 0;
        mpg123_getformat(handle, &ref.rate, &ref.channels, &encoding);
        std::vector<float> buffer(16384);
        for (int result = MPG123_OK; result == MPG123_OK || result == MPG123_NEW_FORMAT;) {
            std::size_t bytes = 0;
            result = mpg123_read(handle, buffer.data(), buffer.size() * sizeof(float), &bytes);
            ref.samples.insert(ref.samples.end(), buffer.begin(),
                               buffer.begin() + bytes / sizeof(float));
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return ref;
}

struct EncodedFile {
    const char* name;
    TestSignal signal;
    int rate;
    int channels;
    const char* lameOptions;

    friend void PrintTo(const EncodedFile& file, std::ostream* os) { *os << file.name; }
};

const EncodedFile kFiles[] = {
    {"mpeg1_44k_stereo_cbr", TestSignal::music, 44100, 2, "-m s -b 128"},
    {"mpeg1_44k_joint_cbr", TestSignal::music, 44100, 2, "-m j -b 112"},
    {"mpeg1_48k_joint_vbr", TestSignal::music, 48000, 2, "-m j -V 2"},
    {"mpeg1_44k_dual_cbr", TestSignal::music, 44100, 2, "-m d -b 160"},
    {"mpeg1_32k_mono_cbr", TestSignal::music, 32000, 1, "-m m -b 64"},
    {"mpeg1_44k_mono_vbr", TestSignal::music, 44100, 1, "-m m -V 4"},
    {"mpeg2_22k_joint_cbr", TestSignal::music, 22050, 2, "-m j -b 64"},
    {"mpeg2_24k_stereo_vbr", TestSignal::music, 24000, 2, "-m s -V 3"},
    {"mpeg2_16k_mono_cbr", TestSignal::music, 16000, 1, "-m m -b 32"},
    {"mpeg25_11k_joint_cbr", TestSignal::music, 11025, 2, "-m j -b 32"},
    {"mpeg25_12k_mono_vbr", TestSignal::music, 12000, 1, "-m m -V 5"},
    {"mpeg25_8k_stereo_cbr", TestSignal::music, 8000, 2, "-m s -b 24"},
    {"mpeg1_44k_transients", TestSignal::transients, 44100, 2, "-m j -b 160"},
    {"mpeg2_22k_transients", TestSignal::transients, 22050, 1, "-m m -b 48"},
    {"mpeg25_8k_transients", TestSignal::transients, 8000, 2, "-m j -b 24"},
};

class Mp3ConformanceTest : public ::testing::TestWithParam<EncodedFile> {};

TEST_P(Mp3ConformanceTest, WithinFullAccuracyOfTheReference) {
    TempDir dir;
    const EncodedFile& file = GetParam();
    const std::string path = dir / (std::string(file.name) + ".mp3");
    ASSERT_TRUE(EncodeWithLame(path, file.signal, file.rate, file.channels, 1.0, file.lameOptions));
    const Decoded ours = DecodeWithReader(path);
    const Reference ref = DecodeWithMpg123(path);
    ASSERT_TRUE(ours.valid);
    EXPECT_EQ(std::tuple(ours.rate, ours.channels, ref.rate, ref.channels),
              std::tuple(file.rate, file.channels, long{file.rate}, file.channels));
    ASSERT_EQ(ours.samples.size(), ref.samples.size());
    double sumSquares = 0.0;
    double largest = 0.0;
    double peak = 0.0;
    for (std::size_t i = 0; i < ours.samples.size(); ++i) {
        const double expected = double(ref.samples[i]) * 262144.0;
        const double difference = ours.samples[i] - expected;
        sumSquares += difference * difference;
        largest = std::max(largest, std::abs(difference));
        peak = std::max(peak, std::abs(expected));
    }
    const double rms = std::sqrt(sumSquares / double(ours.samples.size()));
    std::printf("%-24s %6zu samples  peak %7.0f  RMS difference %.3f  largest %.3f\n", file.name,
                ours.samples.size(), peak, rms, largest);
    EXPECT_LE(rms, kMaxRms);
    EXPECT_LE(largest, kMaxDifference);
    EXPECT_GT(peak, 50000.0);  // a real signal came through, not silence
}

INSTANTIATE_TEST_SUITE_P(LameFiles, Mp3ConformanceTest, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
