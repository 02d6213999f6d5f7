// Replacing a prompt: an audio file (WAV or MP3) converted into the slot's file in the telephone
// format, or the delivered default restored.
#pragma once

#include <string>

#include "audio/files/AudioConversion.h"
#include "recorder/PromptFiles.h"

// The format of the prompt files: what the line plays.
inline constexpr std::int32_t kPromptRate = 8000;
inline constexpr std::int32_t kPromptChannels = 1;
inline constexpr std::int32_t kPromptBits = 16;

enum class PromptImport {
    Done,
    Unreadable,  // neither a WAV nor an MP3 file that can be read
    Cancelled,
    Failed,  // the slot's file could not be written
};

// Converts the audio file `input` into the file of `slot` in `dataFolder` through the channel,
// rate and peak stages, in blocks that end exactly at the input's length; `progress` hears of
// each block and may cancel. The audio goes to a temporary file beside the slot's file, which
// takes its place in one rename once it is whole: a cancel or a failure leaves the old prompt
// as it was, never a part of an announcement that callers would hear.
PromptImport ImportPrompt(const std::string& input, const std::string& dataFolder, PromptSlot slot,
                          const ConversionProgress& progress = {});
// The same for audio that is already open, such as a decoded file behind a gain stage.
PromptImport ImportPrompt(const LSoundSourcePtr& source, const std::string& dataFolder,
                          PromptSlot slot, const ConversionProgress& progress = {});

// Copies the slot's delivered default over its file, whole or not at all; false when the default
// is missing or the copy fails.
bool ResetPromptToDefault(const std::string& dataFolder, PromptSlot slot);
