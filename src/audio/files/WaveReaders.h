// Opening a WAV file as a source: PCM or any format the codec layer decodes.
#pragma once

#include <string>

#include "audio/dsp/LSoundSource.h"
#include "audio/files/WaveFormat.h"

// Bounds of the format records accepted.
inline constexpr std::uint32_t kMaxWaveSampleRate = 192000;
inline constexpr std::uint32_t kMinFormatChunkSize = 14;
inline constexpr std::uint32_t kMaxFormatChunkSize = 8192;

// The WAV file `fileName` as a source: an LWaveReader for PCM and for 32- or 64-bit IEEE
// floating point, also as the sub-format of WAVE_FORMAT_EXTENSIBLE; an LAcmWaveReader for other
// formats (marked invalid when the format cannot be decoded). Empty when the file cannot
// be opened or is not an acceptable WAV file: no RIFF WAVE form, no format chunk of 14 to
// 8,192 bytes followed by a data chunk, 0 or more than 255 channels, or a rate outside 1 to
// 192,000 Hz. When `format` is given, it receives the file's format record.
LSoundSourcePtr OpenWaveFile(const std::string& fileName, WaveFormatRecord* format = nullptr);
