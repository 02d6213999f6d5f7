// quillon-tool decode, and MP3 input to convert and info.
#include "ToolRun.h"
#include "audio/files/LMp3Reader.h"
#include "audio/files/Mp3TestFiles.h"
#include "audio/files/WaveReaders.h"

namespace {

class DecodeCommandTest : public ToolRun {};

TEST_F(DecodeCommandTest, RawOutputIsTheDecodersSamplesAndWaveOutputTheirSixteenBitForm) {
    const std::string mp3 = root / "in.mp3";
    ASSERT_TRUE(EncodeWithLame(mp3, TestSignal::music, 22050, 2, 0.5, "-m j -b 64"));
    const Decoded reference = DecodeWithReader(mp3);
    ASSERT_TRUE(reference.valid);
    const std::int32_t frames = reference.finalLength;

    ASSERT_EQ(Run({"decode", mp3, root / "out.raw", "--raw"}), kToolOk) << err;
    EXPECT_EQ(out, root / "out.raw" + ": " + std::to_string(frames) +
                       " frames, 22050 Hz, 2 channels, raw 32-bit\n");
    const std::string raw = ReadFile(root / "out.raw");
    ASSERT_EQ(raw.size(), reference.samples.size() * 4);
    for (std::size_t i = 0; i < reference.samples.size(); ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw.data()) + 4 * i;
        const auto value =
            static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24);
        ASSERT_EQ(value, reference.samples[i]) << i;
    }

    ASSERT_EQ(Run({"decode", mp3, root / "out.wav"}), kToolOk) << err;
    EXPECT_EQ(out, root / "out.wav" + ": " + std::to_string(frames) +
                       " frames, 22050 Hz, 2 channels, PCM 16-bit\n");
    WaveFormatRecord format;
    LSoundSourcePtr wave = OpenWaveFile(root / "out.wav", &format);
    ASSERT_TRUE(wave && !wave->IsInvalid());
    EXPECT_EQ(format.sampleRate, 22050u);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.bitsPerSample, 16);
    ASSERT_EQ(wave->GetLength(), frames);
    // The signal stays below full scale, so the limiter leaves it alone and each sample is the
    // decoder's rounded to 16 bits.
    std::vector<std::int32_t> samples(reference.samples.size());
    wave->Read(samples.data(), frames);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], ((reference.samples[i] + 8) >> 4) * 16) << i;
    }
}

TEST_F(DecodeCommandTest, InputsThatAreNotMp3AndBadArgumentsFail) {
    WriteFile(root / "text.mp3", std::string(4000, 'x'));
    EXPECT_EQ(Run({"decode", root / "text.mp3", root / "out.wav"}), kToolFailed);
    EXPECT_TRUE(err.starts_with("quillon-tool: " + root / "text.mp3" + ": not an MPEG")) << err;
    EXPECT_FALSE(Exists(root / "out.wav"));
    EXPECT_EQ(Run({"decode", root / "missing.mp3", root / "out.raw", "--raw"}), kToolFailed);
    EXPECT_FALSE(Exists(root / "out.raw"));
    EXPECT_EQ(Run({"decode", root / "text.mp3"}), kToolUsage);
    EXPECT_EQ(Run({"decode", root / "text.mp3", root / "text.mp3"}), kToolUsage);
    EXPECT_EQ(Run({"decode", root / "text.mp3", root / "o.wav", "--rate", "8000"}), kToolUsage);
}

TEST_F(DecodeCommandTest, ConvertAndInfoTakeAnMp3FileThatIsNoWavFile) {
    const std::string mp3 = root / "prompt.mp3";
    ASSERT_TRUE(EncodeWithLame(mp3, TestSignal::music, 44100, 2, 1.0, "-m j -V 4"));
    const Decoded decoded = DecodeWithReader(mp3);
    ASSERT_TRUE(decoded.valid);

    ASSERT_EQ(Run({"info", mp3}), kToolOk) << err;
    EXPECT_NE(out.find("format:   MPEG Layer III\nrate:     44100 Hz\nchannels: 2\n"
                       "length:   " +
                       std::to_string(decoded.finalLength) + " frames"),
              std::string::npos)
        << out;

    // The prompt format: 8000 Hz 16-bit mono, the whole stream's duration.
    ASSERT_EQ(Run({"convert", mp3, root / "prompt.wav"}), kToolOk) << err;
    WaveFormatRecord format;
    LSoundSourcePtr wave = OpenWaveFile(root / "prompt.wav", &format);
    ASSERT_TRUE(wave && !wave->IsInvalid());
    EXPECT_EQ(format.sampleRate, 8000u);
    EXPECT_EQ(format.channels, 1);
    EXPECT_NEAR(wave->GetLength(), decoded.finalLength * 8000.0 / 44100, 2);
}

}  // namespace
