// Creating the WAV file writers: PCM by sample width, or any format record.
#pragma once

#include <cstdint>
#include <string>

#include "audio/dsp/LSoundSink.h"
#include "audio/files/WaveFormat.h"

// A PCM writer (LWaveWriter): bitsPerSample up to 8 gives 8-bit samples, 9 to 16 gives 16-bit,
// 17 and above 32-bit. The reference is empty only when memory runs out; a file that cannot be
// opened gives an invalid writer.
LSoundSinkPtr CreateWaveWriter(const std::string& fileName, std::int32_t sampleRate,
                               std::int32_t startFrame, std::int32_t bitsPerSample,
                               std::int32_t channels);

// The peak bound of the writer CreateWaveWriterForFormat gives for `format`, known before the
// file is created.
std::int32_t WaveWriterPeakBound(const WaveFormatRecord& format);

// A writer for `format`: PCM records give CreateWaveWriter(rate, start 0, bits, channels) of
// the record, any other tag a compressed writer (LAcmWaveWriter).
LSoundSinkPtr CreateWaveWriterForFormat(const std::string& fileName,
                                        const WaveFormatRecord& format);
