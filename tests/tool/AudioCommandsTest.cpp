// quillon-tool info, convert and playchain on hand-built WAV files.
#include <cmath>
#include <numbers>

#include "ToolRun.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"

namespace {

// 16-bit samples of a tone on every channel (or on the first only).
std::vector<std::int16_t> Tone(int frames, int channels, double rate, double hz, double amplitude,
                               bool firstChannelOnly = false) {
    std::vector<std::int16_t> samples(std::size_t(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        auto s =
            static_cast<std::int16_t>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
        for (int c = 0; c < channels; ++c) {
            samples[std::size_t(i) * channels + c] = (c == 0 || !firstChannelOnly) ? s : 0;
        }
    }
    return samples;
}

struct Decoded {
    WaveFormatRecord format;
    std::int32_t frames = 0;
    std::vector<std::int32_t> samples;
};

// Read to the end: the length of a compressed file is an estimate until then.
Decoded Decode(const std::string& path) {
    Decoded d;
    LSoundSourcePtr source = OpenWaveFile(path, &d.format);
    if (!source || source->IsInvalid()) {
        ADD_FAILURE() << path << " does not read back";
        return d;
    }
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
    auto louder = [](std::int32_t a, std::int32_t b) { return std::abs(a) < std::abs(b); };
    return samples.empty() ? 0
                           : std::abs(*std::max_element(samples.begin(), samples.end(), louder));
}

class AudioCommandsTest : public ToolRun {
protected:
    std::string in = root / "in.wav";
    std::string outFile = root / "out.wav";
};

TEST_F(AudioCommandsTest, InfoShowsFormatLengthPeakAndLevel) {
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
}

TEST_F(AudioCommandsTest, InfoNamesCompressedFormatsAndSilence) {
    ASSERT_EQ(
        Run({"convert", "--codec", "ulaw", "--channels", "2", "--rate", "11025",
             (WriteFile(in, Pcm16File(1, 8000, std::vector<std::int16_t>(800))), in), outFile}),
        kToolOk)
        << err;
    ASSERT_EQ(Run({"info", outFile}), kToolOk) << err;
    EXPECT_NE(out.find("format:   mu-law\n"), std::string::npos) << out;
    EXPECT_NE(out.find("rate:     11025 Hz\nchannels: 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("peak:     silent\nlevel:    silent\n"), std::string::npos) << out;
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
        {"convert", in, outFile, "--rate", "8k"},
        {"convert", in, outFile, "--channels", "0"},
        {"convert", in, outFile, "--bits", "24"},
        {"convert", in, outFile, "--codec", "mp3"},
        {"convert", in, outFile, "--speed", "2"},
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

TEST_F(AudioCommandsTest, ConvertGivesTheTelephoneFormatByDefault) {
    // One second of 44.1 kHz stereo, the tone on the left channel (the one kept).
    WriteFile(in, Pcm16File(2, 44100, Tone(44100, 2, 44100, 1000, 10000, true)));
    ASSERT_EQ(Run({"convert", in, outFile}), kToolOk) << err;
    // The converter works at 39/215 of the input rate, the nearest ratio its table holds:
    // 44,100 frames become 7,999.
    EXPECT_EQ(out, outFile + ": 7999 frames, 8000 Hz, 1 channel, PCM 16-bit\n");
    Decoded d = Decode(outFile);
    EXPECT_EQ(d.format.formatTag, kWaveFormatPcm);
    EXPECT_EQ(d.format.sampleRate, 8000u);
    EXPECT_EQ(d.format.channels, 1);
    EXPECT_EQ(d.format.bitsPerSample, 16);
    EXPECT_EQ(d.frames, 7999);
    // The tone keeps its amplitude (the resampler's own tests measure it closely).
    EXPECT_NEAR(Peak(std::vector<std::int32_t>(d.samples.begin() + 100, d.samples.end() - 100)),
                10000 * 16, 10000 * 16 / 20);
}

TEST_F(AudioCommandsTest, ConvertCopiesAudioAlreadyInTheTargetFormat) {
    // 20,000 frames end inside a block; 16,384 end exactly on a block boundary.
    for (int frames : {20000, 16384, 5}) {
        std::vector<std::int16_t> samples = Tone(frames, 1, 8000, 440, 20000);
        WriteFile(in, Pcm16File(1, 8000, samples));
        ASSERT_EQ(Run({"convert", in, outFile}), kToolOk) << err;
        std::string written = ReadFile(outFile);
        ASSERT_EQ(written.size(), 46u + 2 * frames) << frames;
        EXPECT_EQ(written.substr(46), ReadFile(in).substr(44)) << frames;
    }
}

TEST_F(AudioCommandsTest, ConvertWritesEveryCodecAndWidth) {
    WriteFile(in, Pcm16File(1, 8000, Tone(8000, 1, 8000, 440, 12000)));
    struct Row {
        ToolArgs options;
        std::uint16_t tag;
        std::uint16_t bits;
        std::int32_t frames;
    } rows[] = {
        {{"--codec", "ulaw"}, kWaveFormatMulaw, 8, 8000},
        {{"--codec", "alaw"}, kWaveFormatAlaw, 8, 8000},
        // 15 blocks of 505 frames, then 425 frames in the header's 1 and 53 groups of 8.
        {{"--codec", "ima"}, kWaveFormatImaAdpcm, 4, 15 * 505 + 1 + 53 * 8},
        {{"--bits", "8"}, kWaveFormatPcm, 8, 8000},
        {{"--bits", "32"}, kWaveFormatPcm, 32, 8000},
    };
    for (const Row& row : rows) {
        ToolArgs args = {"convert", in, outFile};
        args.insert(args.end(), row.options.begin(), row.options.end());
        ASSERT_EQ(Run(args), kToolOk) << err;
        Decoded d = Decode(outFile);
        EXPECT_EQ(d.format.formatTag, row.tag) << row.options[1];
        EXPECT_EQ(d.format.bitsPerSample, row.bits) << row.options[1];
        EXPECT_EQ(d.frames, row.frames) << row.options[1];
        EXPECT_NEAR(Peak(d.samples), 12000 * 16, 12000 * 16 / 10) << row.options[1];
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

TEST_F(AudioCommandsTest, PlaychainKeepsRateAndChannelsAndAppliesTheGain) {
    WriteFile(in, Pcm16File(2, 11025, Tone(11025, 2, 11025, 500, 4000)));
    ASSERT_EQ(Run({"playchain", in, outFile}), kToolOk) << err;
    Decoded plain = Decode(outFile);
    EXPECT_EQ(plain.format.sampleRate, 11025u);
    EXPECT_EQ(plain.format.channels, 2);
    EXPECT_EQ(plain.format.bitsPerSample, 16);
    EXPECT_EQ(plain.samples, Decode(in).samples) << "no stage is on by default";

    ASSERT_EQ(Run({"playchain", in, outFile, "--gain", "6dB"}), kToolOk) << err;
    Decoded louder = Decode(outFile);
    EXPECT_EQ(louder.frames, 11025);
    EXPECT_NEAR(double(Peak(louder.samples)) / Peak(plain.samples), 1.995, 0.01);
}

TEST_F(AudioCommandsTest, PlaychainNeverWrapsALoudInput) {
    std::vector<std::int16_t> loud = Tone(8000, 1, 8000, 300, 32000);
    WriteFile(in, Pcm16File(1, 8000, loud));
    ASSERT_EQ(Run({"playchain", in, outFile, "--gain", "8", "--highpass", "100"}), kToolOk) << err;
    Decoded d = Decode(outFile);
    ASSERT_EQ(d.frames, 8000);
    for (int i = 0; i < 8000; ++i) {
        // A wrapped sample would turn a loud crest into the opposite full scale.
        if (std::abs(loud[i]) > 16000) {
            ASSERT_EQ(d.samples[i] > 0, loud[i] > 0) << i;
        }
    }
}

}  // namespace
