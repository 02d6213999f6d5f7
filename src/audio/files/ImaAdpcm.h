// IMA ADPCM in the WAV block layout: per channel a 4-byte header (first sample, step index,
// reserved), then the rest of the samples as 4-bit codes, channels interleaved in 4-byte
// groups of 8 samples, low nibble first.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/files/WaveFormat.h"

class AcmStream;

// Predictor state of one channel.
struct ImaAdpcmState {
    std::int32_t predictor = 0;
    std::int32_t stepIndex = 0;
};

// Samples per channel in a block of `blockAlign` bytes; 0 when the size is not a whole number
// of 4-byte groups per channel beyond the headers.
std::uint32_t ImaSamplesPerBlock(std::uint32_t blockAlign, std::uint32_t channels);

// Samples per channel of a valid IMA ADPCM record (4 bits per sample, a block size that
// ImaSamplesPerBlock accepts and, when the record states one, the same samples per block);
// 0 for an invalid record.
std::uint32_t ImaSamplesPerBlock(const WaveFormatRecord& record);

// One 4-bit code: the state moves to the decoded sample, which is returned.
std::int16_t ImaDecodeNibble(ImaAdpcmState& state, unsigned nibble);

// The code that brings the state nearest to `sample`; the state moves as ImaDecodeNibble would.
unsigned ImaEncodeSample(ImaAdpcmState& state, std::int16_t sample);

// A stream between 16-bit PCM and IMA ADPCM blocks of `blockAlign` bytes (a size that
// ImaSamplesPerBlock accepts); `encode` converts from PCM.
std::unique_ptr<AcmStream> MakeImaAdpcmStream(bool encode, std::uint16_t channels,
                                              std::uint32_t blockAlign);
