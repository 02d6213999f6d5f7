// The five prompts shipped inside the program: the start and end announcements and the three
// on-hold files, 8 kHz 16-bit mono WAV.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

struct DefaultPrompt {
    const char* name;       // "Start Prompt", "End Prompt", "On-Hold 1" ...
    std::string_view data;  // the whole WAV file
};

std::span<const DefaultPrompt> DefaultPrompts();

// Puts each shipped prompt into the data folder (ending in "/") where it is missing, both as
// "<name>.wav" and as its copy "Default <name>.wav", so that a plain build is usable. A file that
// is there, such as the user's own prompt, is never overwritten. Returns the files written.
std::vector<std::string> InstallDefaultPrompts(const std::string& dataFolder);
