// Layer III frame headers: recognising the 4 header bytes and the sizes they imply.
#pragma once

#include <cstdint>

// Frequency lines of one granule, and the sample frames per channel it decodes to: 32 subbands
// of 18 lines.
inline constexpr int kMp3GranuleLines = 576;

// The fields of one frame header that decoding needs.
struct Mp3Header {
    int version = 0;        // 0 = MPEG-1, 1 = MPEG-2, 2 = MPEG-2.5
    bool crc = false;       // a 16-bit CRC follows the header (protection bit clear)
    int bitrate = 0;        // bits per second
    int sampleIndex = 0;    // sampling-frequency index 0..2
    int padding = 0;        // 1 when the frame has one extra byte
    int mode = 0;           // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExtension = 0;  // joint stereo: bit 1 middle/side, bit 0 intensity

    int SampleRate() const;
    int Channels() const { return mode == 3 ? 1 : 2; }
    bool Mono() const { return mode == 3; }
    // Sample frames per channel: two granules for MPEG-1, one otherwise.
    int SamplesPerFrame() const { return Granules() * kMp3GranuleLines; }
    int Granules() const { return version == 0 ? 2 : 1; }
    // Whole frame in bytes, header included.
    int FrameBytes() const;
    // Side information bytes after the header (and CRC).
    int SideInfoBytes() const;
    // Bytes after the header and its CRC: side information and main data.
    int BodyBytes() const { return FrameBytes() - 4 - (crc ? 2 : 0); }
    // Index of the stream's rate in the scalefactor band tables.
    int RateIndex() const { return version * 3 + sampleIndex; }
};

// The largest frame: 320 kbit/s at 32 kHz (MPEG-1) or 160 kbit/s at 8 kHz, padded.
inline constexpr int kMp3MaxFrameBytes = 1441;

// Reads a Layer III header from 4 bytes; false when they are not one (another layer, a reserved
// version or sampling index, free format or the forbidden bitrate index).
bool ParseMp3Header(const std::uint8_t* bytes, Mp3Header& header);
