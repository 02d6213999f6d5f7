// MP3 test helpers: signals encoded with lame, hand-built frames and whole-file decoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TestSignal {
    music,       // tones with vibrato and noise; the right channel mostly follows the left
    transients,  // decaying noise bursts seven times a second: short blocks
};

// Writes `seconds` of the signal as a 16-bit WAV file and encodes it with lame and `options`
// (for example "-b 128 -m j"); returns false when lame fails.
bool EncodeWithLame(const std::string& mp3Path, TestSignal signal, int rate, int channels,
                    double seconds, const std::string& options);

// A frame header: versionBits 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5; layerBits 1 = Layer III;
// mode extension 2 (middle/side stereo when the mode is joint stereo).
std::vector<std::uint8_t> HeaderBytes(int versionBits, int bitrateIndex, int sampleIndex, int mode,
                                      int layerBits = 1, int padding = 0, bool crc = false);
// A whole frame with that header whose side information and main data are zeros (it decodes to
// silence without reaching into the reservoir).
std::vector<std::uint8_t> SilentFrame(int versionBits, int bitrateIndex, int sampleIndex, int mode);
// `before`, then `bytes` `times` over.
std::vector<std::uint8_t> Repeated(const std::vector<std::uint8_t>& bytes, int times,
                                   std::vector<std::uint8_t> before = {});

// Decodes the whole file with LMp3Reader, reading 4,000 frames at a time until the position
// reaches the length. The rate and channels are the reader's.
struct Decoded {
    bool valid = false;
    int rate = 0;
    int channels = 0;
    std::int32_t finalLength = 0;
    std::vector<std::int32_t> samples;
};
Decoded DecodeWithReader(const std::string& path);
