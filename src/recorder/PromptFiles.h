// The five audio files the recorder plays onto the line: the recording-started and
// recording-stopped announcements and three on-hold messages or music tracks, kept in the data
// folder, with the defaults delivered beside them.
#pragma once

#include <string>

enum class PromptSlot { StartPrompt, EndPrompt, OnHold1, OnHold2, OnHold3 };

// Every slot, in the order above.
inline constexpr PromptSlot kPromptSlots[] = {PromptSlot::StartPrompt, PromptSlot::EndPrompt,
                                              PromptSlot::OnHold1, PromptSlot::OnHold2,
                                              PromptSlot::OnHold3};
// The on-hold files play in turn, 1 to kOnHoldFiles.
inline constexpr int kOnHoldFiles = 3;

// "Start Prompt", "End Prompt", "On-Hold 1" ... "On-Hold 3".
std::string PromptName(PromptSlot slot);
// The slot's file: data folder + name + ".wav" (the data folder ends in "/").
std::string PromptFile(const std::string& dataFolder, PromptSlot slot);
// The delivered default of the slot: data folder + "Default " + name + ".wav".
std::string DefaultPromptFile(const std::string& dataFolder, PromptSlot slot);
// On-hold slot `number` (1 to kOnHoldFiles).
PromptSlot OnHoldSlot(int number);
