// The five prompts shipped inside the program: the start and end announcements and the three
// on-hold files, 8 kHz 16-bit mono WAV.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "recorder/PromptFiles.h"

struct DefaultPrompt {
    PromptSlot slot;
    std::string_view data;  // the whole WAV file
};

std::span<const DefaultPrompt> DefaultPrompts();

// Puts each shipped prompt into the data folder (ending in "/") where it is missing, both as
// the slot's file and as its delivered default, so that a plain build is usable. A file that
// is there, such as the user's own prompt, is never overwritten. Returns the files written.
std::vector<std::string> InstallDefaultPrompts(const std::string& dataFolder);
