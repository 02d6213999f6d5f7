// quillon-tool info, convert and playchain: their arguments, what they write or refuse, and why.
#include "ToolRun.h"
#include "audio/dsp/TestSources.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"

namespace {

// 16-bit samples of a sine, the same on every channel.
std::vector<std::int16_t> Tone(int frames, int channels, int rate, double hz, double amplitude) {
    std::vector<std::int32_t> sine = Sine(hz, rate, frames, amplitude, channels);
    return {sine.begin(), sine.end()};
}

using Format = std::tuple<std::uint16_t, std::uint32_t, std::uint16_t, std::uint16_t>;

struct Decoded {
    Format format;  // tag, rate, channels, bits
    std::int32_t frames = 0;
    std::vector<std::int32_t> samples;
};

// Read to the end: the length of a compressed file is an estimate until then.
Decoded Decode(const std::string& path) {
    WaveFormatRecord format;
    LSoundSourcePtr source = OpenWaveFile(path, &format);
    if (!source || source->IsInvalid()) {
        ADD_FAILURE() << path << " does not read back";
        return {};
    }
    Decoded d;
    d.format = {format.formatTag, format.sampleRate, format.channels, format.bitsPerSample};
    std::vector<std::int32_t> block(8192 * std::size_t(source->channels));
    while (source->GetPosition() < source->GetLength()) {
        source->Read(block.data(), 8192);
        d.samples.insert(d.samples.end(), block.begin(), block.end());
    }
    d.frames = source->GetLength();
    d.samples.resize(std::size_t(d.frames) * source->channels);
    return d;
}

std::int32_t Peak(const std::vector<std::int32_t>& samples) {
    return std::abs(std::ranges::max(samples, {}, [](std::int32_t s) { return std::abs(s); }));
}

class AudioCommandsTest : public ToolRun {
protected:
    std::string in = root / "in.wav";
    std::string outFile = root / "out.wav";
};

TEST_F(AudioCommandsTest, InfoShowsFormatLengthPeakAndLevelOrSilence) {
    // A square wave at half of full scale: peak -6.0 dBFS; on the block level scale its mean
    // square (16,384 * 16 >> 5)^2 = 67,108,864 is 9.0 dB.
    std::vector<std::int16_t> square(12000);
    for (std::size_t i = 0; i < square.size(); ++i) {
        square[i] = (i / 20) % 2 ? 16384 : -16384;
    }
    WriteFile(in, Pcm16File(1, 8000, square));
    ASSERT_EQ(Run({"info", in}), kToolOk) << err;
    EXPECT_EQ(out, "file:     " + in + "\n" +
                       "format:   PCM 16-bit\n"
                       "rate:     8000 Hz\n"
                       "channels: 1\n"
                       "length:   12000 frames ( 0:00:01.5000)\n"
                       "peak:     -6.0 dBFS\n"
                       "level:    9.0 dB\n");
    WriteFile(in, Pcm16File(1, 8000, std::vector<std::int16_t>(800)));
    ASSERT_EQ(Run({"info", in}), kToolOk) << err;
    EXPECT_TRUE(out.ends_with("peak:     silent\nlevel:    silent\n")) << out;
}

TEST_F(AudioCommandsTest, UnusableInputsAreNamedWithTheReasonAndNothingIsWritten) {
    WriteFile(root / "text.wav", "plain text, no RIFF");
    WriteFile(root / "adpcm.wav",
              RiffWave(Chunk("fmt ", FormatBody(2, 1, 8000, 4, 20)) + Chunk("data", "abcd")));
    const std::pair<std::string, const char*> rows[] = {
        {root / "missing.wav", "No such file"},
        {root.Path(), "folder"},
        {root / "text.wav", "not a WAV or MP3 file"},
        {root / "adpcm.wav", "format tag 0x0002"}};
    for (const auto& [file, reason] : rows) {
        for (ToolArgs args : {ToolArgs{"info", file}, ToolArgs{"convert", file, outFile},
                              ToolArgs{"playchain", file, outFile}}) {
            EXPECT_EQ(Run(args), kToolFailed) << args[0] << " " << file;
            EXPECT_TRUE(err.starts_with("quillon-tool: " + file + ": ")) << err;
            EXPECT_NE(err.find(reason), std::string::npos) << err;
            EXPECT_EQ(out, "");
            EXPECT_FALSE(Exists(outFile));
        }
    }
}

TEST_F(AudioCommandsTest, BadArgumentsAreUsageErrors) {
    WriteFile(in, Pcm16File(1, 8000, std::vector<std::int16_t>(10)));
    const std::vector<std::vector<std::string>> rows = {
        {"info"},
        {"info", in, in},
        {"convert", in},
        {"convert", in, outFile, "extra"},
        {"convert", in, outFile, "--rate", "0"},
        {"convert", in, outFile, "--rate", "192001"},
        {"convert", in, outFile, "--channels", "0"},
        {"convert", in, outFile, "--bits", "24"},
        {"convert", in, outFile, "--codec", "mp3"},
        {"convert", in, in},
        {"playchain", in},
        {"playchain", in, outFile, "--highpass", "1501"},
        {"playchain", in, outFile, "--compressor", "-19"},
        {"playchain", in, outFile, "--gain", "9"},
        {"playchain", in, in}};
    for (const auto& args : rows) {
        EXPECT_EQ(Run(args), kToolUsage) << args.back();
        EXPECT_NE(err.find("usage: quillon-tool " + args[0]), std::string::npos) << err;
        EXPECT_FALSE(Exists(outFile)) << args.back();
    }
}

TEST_F(AudioCommandsTest, ConvertGivesTheTelephoneFormatByDefaultAndCopiesAudioAlreadyInIt) {
    WriteFile(in, Pcm16File(2, 44100, Tone(44100, 2, 44100, 1000, 10000)));
    ASSERT_EQ(Run({"convert", in, outFile}), kToolOk) << err;
    // 44,100 frames at 39/215, the converter's nearest ratio, become 7,999.
    EXPECT_EQ(out, outFile + ": 7999 frames, 8000 Hz, 1 channel, PCM 16-bit\n");
    Decoded d = Decode(outFile);
    EXPECT_EQ(d.format, Format(kWaveFormatPcm, 8000, 1, 16));
    EXPECT_EQ(d.frames, 7999);
    // 20,000 frames end inside a block; the samples are copied as they are.
    WriteFile(in, Pcm16File(1, 8000, Tone(20000, 1, 8000, 440, 20000)));
    ASSERT_EQ(Run({"convert", in, outFile}), kToolOk) << err;
    EXPECT_EQ(Decode(outFile).samples, Decode(in).samples);
}

TEST_F(AudioCommandsTest, ConvertWritesTheRateChannelsCodecAndWidthAsked) {
    WriteFile(in, Pcm16File(1, 8000, Tone(8000, 1, 8000, 440, 12000)));
    const std::tuple<const char*, const char*, std::uint16_t, std::uint16_t, const char*> rows[] = {
        {"--codec", "ulaw", kWaveFormatMulaw, 8, "mu-law"},
        {"--codec", "alaw", kWaveFormatAlaw, 8, "A-law"},
        {"--codec", "ima", kWaveFormatImaAdpcm, 4, "IMA ADPCM"},
        {"--bits", "8", kWaveFormatPcm, 8, "PCM 8-bit"},
        {"--bits", "32", kWaveFormatPcm, 32, "PCM 32-bit"},
    };
    for (const auto& [option, value, tag, bits, name] : rows) {
        ASSERT_EQ(
            Run({"convert", in, outFile, option, value, "--rate", "11025", "--channels", "2"}),
            kToolOk)
            << err;
        EXPECT_TRUE(out.ends_with(" 11025 Hz, 2 channels, " + std::string(name) + "\n")) << out;
        EXPECT_EQ(Decode(outFile).format, Format(tag, 11025, 2, bits)) << value;
    }
}

TEST_F(AudioCommandsTest, ConvertRefusesChannelCountsItCannotConvert) {
    WriteFile(in, RiffWave(Chunk("fmt ", FormatBody(1, 6, 8000, 16)) +
                           Chunk("data", std::string(6 * 2 * 100, '\x01'))));
    EXPECT_EQ(Run({"convert", in, outFile}), kToolFailed);
    EXPECT_NE(err.find(in + ": 6 channels at 8000 Hz"), std::string::npos) << err;
    EXPECT_FALSE(Exists(outFile));
    // Kept as they are, six channels are fine.
    EXPECT_EQ(Run({"convert", in, outFile, "--channels", "6"}), kToolOk) << err;
    EXPECT_EQ(Decode(outFile).frames, 100);
}

TEST_F(AudioCommandsTest, PlaychainKeepsTheFormatAppliesItsStagesAndNeverWraps) {
    WriteFile(in, Pcm16File(2, 11025, Tone(11025, 2, 11025, 500, 4000)));
    ASSERT_EQ(Run({"playchain", in, outFile}), kToolOk) << err;
    Decoded plain = Decode(outFile);
    EXPECT_EQ(plain.format, Format(kWaveFormatPcm, 11025, 2, 16));
    EXPECT_EQ(plain.samples, Decode(in).samples) << "no stage is on by default";
    ASSERT_EQ(Run({"playchain", in, outFile, "--gain", "6dB"}), kToolOk) << err;
    EXPECT_NEAR(double(Peak(Decode(outFile).samples)) / Peak(plain.samples), 1.995, 0.01);

    std::vector<std::int16_t> loud = Tone(8000, 1, 8000, 300, 32000);
    WriteFile(in, Pcm16File(1, 8000, loud));
    ASSERT_EQ(Run({"playchain", in, outFile, "--gain", "8", "--highpass", "100"}), kToolOk) << err;
    Decoded louder = Decode(outFile);
    ASSERT_EQ(louder.frames, 8000);
    for (int i = 0; i < 8000; ++i) {
        // A wrapped sample would turn a loud crest into the opposite full scale.
        if (std::abs(loud[i]) > 16000) {
            ASSERT_EQ(louder.samples[i] > 0, loud[i] > 0) << i;
        }
    }
}

}  // namespace
