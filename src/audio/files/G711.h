// G.711 A-law and mu-law companding of 16-bit samples, and their codec streams.
#pragma once

#include <cstdint>
#include <memory>

class AcmStream;

std::uint8_t LinearToMulaw(std::int16_t sample);
std::int16_t MulawToLinear(std::uint8_t code);
std::uint8_t LinearToAlaw(std::int16_t sample);
std::int16_t AlawToLinear(std::uint8_t code);

// A stream between 16-bit PCM and `formatTag` (kWaveFormatAlaw or kWaveFormatMulaw) with
// `channels` interleaved channels; `encode` converts from PCM.
std::unique_ptr<AcmStream> MakeG711Stream(std::uint16_t formatTag, bool encode,
                                          std::uint16_t channels);
