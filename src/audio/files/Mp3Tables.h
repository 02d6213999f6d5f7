// Constant tables of MPEG audio Layer III decoding, generated into Mp3Tables.cpp by
// scripts/gen-mp3-tables.py (see there for the source data).
#pragma once

#include <cstdint>

// Bitrates in kbit/s by [MPEG-1 or lower sampling frequencies][bitrate index]; 0 for free format
// and the forbidden index 15.
extern const std::uint16_t kMp3Bitrates[2][16];
// Sampling rates in Hz by [version index: MPEG-1, MPEG-2, MPEG-2.5][sampling-frequency index].
extern const std::uint16_t kMp3SampleRates[3][3];
// Scalefactor band boundaries by [version index * 3 + sampling-frequency index]: long bands in
// lines 0..576, short bands in lines of one window 0..192.
extern const std::uint16_t kMp3LongBands[9][23];
extern const std::uint8_t kMp3ShortBands[9][14];
// Added to long-block scalefactors when preflag is set.
extern const std::uint8_t kMp3Pretab[22];
// Alias-reduction butterflies: cs = 1 / sqrt(1 + c^2), ca = c / sqrt(1 + c^2).
extern const float kMp3AliasCs[8];
extern const float kMp3AliasCa[8];
// Polyphase synthesis window D[i] in units of 2^-16 (exact).
extern const std::int32_t kMp3SynthesisWindow[512];
// MPEG-1 scalefac_compress -> slen1, slen2.
extern const std::uint8_t kMp3Mpeg1Slen[16][2];

// How a lower-sampling-frequency scalefac_compress value splits into four partitions.
struct Mp3LsfScalefactorCoding {
    std::uint8_t slen[4];
    std::uint8_t table;  // first index of kMp3LsfPartitions
    std::uint8_t preflag;
};
// By [0: any channel, 1: right channel with intensity stereo on][scalefac_compress].
extern const Mp3LsfScalefactorCoding kMp3LsfSlen[2][512];
// Scalefactor counts by [table][long, short, mixed][partition].
extern const std::uint8_t kMp3LsfPartitions[6][3][4];

// Huffman decoding by lookup. An entry with bit 15 clear is a leaf: bits 8..11 are the code bits
// used at that level, bits 4..7 x and bits 0..3 y. An entry with bit 15 set links to the next
// level: bits 11..14 give how many further bits it looks at, bits 0..10 its offset from the
// table's first entry.
struct Mp3HuffmanTable {
    std::uint16_t start;    // offset of the first level in kMp3PairLookup
    std::uint8_t rootBits;  // bits looked at by the first level; 0 for tables without codes
    std::uint8_t linbits;
};
extern const std::uint16_t kMp3PairLookup[];
extern const Mp3HuffmanTable kMp3PairTables[32];
// Count1 quadruples, one lookup of 6 (table A) or 4 (table B) bits: bits 4..7 are the code
// length, bits 0..3 the values v, w, x, y (v in bit 3).
extern const std::uint8_t kMp3QuadLookupA[64];
extern const std::uint8_t kMp3QuadLookupB[16];
