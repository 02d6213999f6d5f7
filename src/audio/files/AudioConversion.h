// Converting audio files into a writer's format: the chain of channel, rate and peak stages and
// the block loop that fills the writer (the prompt import, the installer and quillon-tool).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"
#include "audio/files/WaveFormat.h"

// Frames read from the chain and written per block.
inline constexpr std::int32_t kConversionBlockFrames = 8192;

// Told the position and the length (in output frames) before each block; returns false to
// cancel the conversion.
using ConversionProgress = std::function<bool(std::int32_t position, std::int32_t length)>;

// Opens `fileName` as a source for conversion: as a WAV file, or when it is no WAV file that can
// be read (empty or invalid reader) as an MP3 file. Empty or invalid when neither reads it (the
// WAV attempt's result then). The file's format record goes to `format` when it is given; for
// an MP3 file that is kWaveFormatMpegLayer3 with the stream's rate and channels.
LSoundSourcePtr OpenAudioFile(const std::string& fileName, WaveFormatRecord* format = nullptr);

// The chain channels -> sample rate -> peak limiter on `source`, each stage passing the audio
// through when it would change nothing. Empty when the source is missing or invalid or the
// chain cannot deliver `channels` channels at `sampleRate` (only mono and stereo convert).
LSoundSourcePtr BuildConversionChain(const LSoundSourcePtr& source, std::int32_t sampleRate,
                                     std::int32_t channels, std::int32_t peakLimit);

// Reads `chain` in blocks of kConversionBlockFrames and writes them to `writer` (which must
// have the chain's channel count), stopping exactly at the chain's length. The length is read
// again after every block: an MP3 source only estimates it until its decoding reaches the end.
// False when `progress` cancels or the writer fails (its `error` says why); the rest of the
// chain is then not read.
bool WriteConverted(LSoundSource& chain, LSoundSink& writer,
                    const ConversionProgress& progress = {});

// Converts `source` into `writer`'s rate, channels and peak bound: the chain above and the
// block loop. False when the source or the writer is missing or invalid, the chain cannot be
// built, `progress` cancels or a write fails; the writer may then hold part of the audio.
bool ConvertToWriter(const LSoundSourcePtr& source, const LSoundSinkPtr& writer,
                     const ConversionProgress& progress = {});
