// quillon-tool decode, and MP3 input to convert and info.
#include "ToolRun.h"
#include "audio/files/Mp3TestFiles.h"
#include "audio/files/WaveReaders.h"

namespace {

class DecodeCommandTest : public ToolRun {
protected:
    DecodeCommandTest() {
        EXPECT_TRUE(EncodeWithLame(mp3, TestSignal::music, 22050, 2, 0.5, "-m j -b 64"));
        reference = DecodeWithReader(mp3);
        EXPECT_TRUE(reference.valid);
    }
    // The WAV file's length, or -1 when it is not one at `rate` Hz with `channels` of 16 bits.
    static std::int32_t WaveLength(const std::string& path, std::uint32_t rate, int channels) {
        WaveFormatRecord format;
        LSoundSourcePtr wave = OpenWaveFile(path, &format);
        const bool as = wave && !wave->IsInvalid() && format.sampleRate == rate &&
                        format.channels == channels && format.bitsPerSample == 16;
        return as ? wave->GetLength() : -1;
    }

    const std::string mp3 = root / "in.mp3";
    Decoded reference;
};

TEST_F(DecodeCommandTest, RawOutputIsTheDecodersSamplesAndWaveOutputSixteenBitsAtTheStreamsRate) {
    const std::string frames = std::to_string(reference.finalLength);
    ASSERT_EQ(Run({"decode", mp3, root / "out.raw", "--raw"}), kToolOk) << err;
    EXPECT_EQ(out,
              root / "out.raw" + ": " + frames + " frames, 22050 Hz, 2 channels, raw 32-bit\n");
    const std::string raw = ReadFile(root / "out.raw");
    ASSERT_EQ(raw.size(), reference.samples.size() * 4);
    for (std::size_t i = 0; i < reference.samples.size(); ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw.data()) + 4 * i;
        const auto value =
            static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24);
        ASSERT_EQ(value, reference.samples[i]) << i;
    }
    ASSERT_EQ(Run({"decode", mp3, root / "out.wav"}), kToolOk) << err;
    EXPECT_EQ(out,
              root / "out.wav" + ": " + frames + " frames, 22050 Hz, 2 channels, PCM 16-bit\n");
    EXPECT_EQ(WaveLength(root / "out.wav", 22050, 2), reference.finalLength);
}

TEST_F(DecodeCommandTest, InputsThatAreNotMp3AndBadArgumentsFail) {
    WriteFile(root / "text.mp3", std::string(4000, 'x'));
    EXPECT_EQ(Run({"decode", root / "text.mp3", root / "out.wav"}), kToolFailed);
    EXPECT_TRUE(err.starts_with("quillon-tool: " + root / "text.mp3" + ": not an MPEG")) << err;
    EXPECT_FALSE(Exists(root / "out.wav"));
    EXPECT_EQ(Run({"decode", root / "missing.mp3", root / "out.raw", "--raw"}), kToolFailed);
    EXPECT_FALSE(Exists(root / "out.raw"));
    EXPECT_EQ(Run({"decode", mp3}), kToolUsage);
    EXPECT_EQ(Run({"decode", mp3, mp3}), kToolUsage);
    EXPECT_EQ(Run({"decode", mp3, root / "o.wav", "--rate", "8000"}), kToolUsage);
}

TEST_F(DecodeCommandTest, ConvertAndInfoTakeAnMp3FileThatIsNoWavFile) {
    ASSERT_EQ(Run({"info", mp3}), kToolOk) << err;
    EXPECT_NE(out.find("format:   MPEG Layer III\nrate:     22050 Hz\nchannels: 2\nlength:   " +
                       std::to_string(reference.finalLength) + " frames"),
              std::string::npos)
        << out;
    // The prompt format, 8000 Hz 16-bit mono, for the whole stream's duration.
    ASSERT_EQ(Run({"convert", mp3, root / "prompt.wav"}), kToolOk) << err;
    EXPECT_NEAR(WaveLength(root / "prompt.wav", 8000, 1), reference.finalLength * 8000.0 / 22050,
                2);
}

}  // namespace
