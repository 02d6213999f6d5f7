// A default prompt as the installation file delivers it: an MP3 file, decoded and made 6 dB
// louder for the line.
#pragma once

#include <cstdint>
#include <string>

#include "audio/dsp/LSoundSource.h"

inline constexpr std::int8_t kDeliveredPromptGainDb = 6;

// The MP3 file `mp3` decoded behind the gain stage; empty when it cannot be decoded.
LSoundSourcePtr OpenDeliveredPrompt(const std::string& mp3);
