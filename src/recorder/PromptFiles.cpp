// The prompt and on-hold files.
#include "recorder/PromptFiles.h"

std::string PromptName(PromptSlot slot) {
    switch (slot) {
        case PromptSlot::StartPrompt:
            return "Start Prompt";
        case PromptSlot::EndPrompt:
            return "End Prompt";
        case PromptSlot::OnHold1:
            return "On-Hold 1";
        case PromptSlot::OnHold2:
            return "On-Hold 2";
        case PromptSlot::OnHold3:
            return "On-Hold 3";
    }
    return "";
}

std::string PromptFile(const std::string& dataFolder, PromptSlot slot) {
    return dataFolder + PromptName(slot) + ".wav";
}

std::string DefaultPromptFile(const std::string& dataFolder, PromptSlot slot) {
    return dataFolder + "Default " + PromptName(slot) + ".wav";
}

PromptSlot OnHoldSlot(int number) {
    return number <= 1   ? PromptSlot::OnHold1
           : number == 2 ? PromptSlot::OnHold2
                         : PromptSlot::OnHold3;
}
