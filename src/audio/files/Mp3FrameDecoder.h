// Layer III frame decoder: one frame's side information and main data in (through the bit
// reservoir), 32-bit samples out. No file access and no allocation: all state lives in the
// object, which the stream layer (LMp3Reader) feeds frame by frame.
#pragma once

#include <cstdint>

#include "audio/files/Mp3BitReader.h"
#include "audio/files/Mp3Filterbank.h"
#include "audio/files/Mp3Header.h"

// Scalefactor bands of one granule counted once per window, as they are decoded: at most 39,
// the 13 short bands in each of 3 windows.
inline constexpr int kMp3MaxBandEntries = 40;

class Mp3FrameDecoder {
public:
    Mp3FrameDecoder() = default;

    // Forgets the reservoir and the filterbank history: the state of a new stream.
    void Reset();
    // Forgets the filterbank history only, keeping the reservoir (as a seek does).
    void ResetFilterbank() { filterbank.Reset(); }

    // Decodes one frame. `body` holds the bodySize bytes after the header and its CRC (side
    // information, then main data); header.BodyBytes() is the normal size and any size is safe.
    // Writes header.SamplesPerFrame() frames of header.Channels() interleaved samples
    // (1.0 = 262,144, truncated toward zero) and returns true; returns false and writes nothing
    // when the frame's main data begins before the bytes the reservoir holds (the frame cannot
    // be decoded, but its main data is kept for the frames after it).
    bool Decode(const Mp3Header& header, const std::uint8_t* body, int bodySize, std::int32_t* out);

private:
    // Side information of one granule of one channel.
    struct Granule {
        int part23Length;
        int bigValues;
        int globalGain;
        int scalefacCompress;
        int blockType;  // 0 normal, 1 start, 2 short, 3 stop
        bool mixed;
        int tableSelect[3];
        int subblockGain[3];
        int region1Start;  // lines where the big_values regions 1 and 2 begin
        int region2Start;
        int preflag;
        int scalefacScale;
        int count1Table;
    };
    struct SideInfo {
        int mainDataBegin;
        int scfsi[2];
        Granule granules[2][2];
    };

    static void ReadSideInfo(const Mp3Header& header, const std::uint8_t* bytes, SideInfo& side);
    bool FillReservoir(int mainDataBegin, const std::uint8_t* data, int size);
    void ReadScalefactors(const Mp3Header& header, Granule& g, int granule, int channel, int scfsi,
                          Mp3BitReader& bits);
    int DecodeLines(const Mp3Header& header, const Granule& g, int channel, Mp3BitReader& bits,
                    int endBit);
    void JointStereo(const Mp3Header& header, const Granule& right, int usedLines[2]);

    // Longest main_data_begin (9 bits) plus the most main data one frame can carry.
    static constexpr int kReservoirBytes = 511 + kMp3MaxFrameBytes;

    Mp3Filterbank filterbank;
    std::uint8_t reservoir[kReservoirBytes + kMp3BitPadding] = {};
    int reservoirFill = 0;
    // Scalefactors per channel in decoding order (kept across granules for scfsi), and for the
    // lower sampling frequencies' intensity stereo the largest value each one could code.
    std::uint8_t scalefactors[2][kMp3MaxBandEntries] = {};
    std::uint8_t scalefactorLimits[kMp3MaxBandEntries] = {};
    // Requantised lines per channel in frequency order.
    float lines[2][kMp3GranuleLines] = {};
};
