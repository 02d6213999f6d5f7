// What the recorder tells the user when a call is not recorded as asked.
#include "recorder/ProblemTexts.h"

#include <cerrno>
#include <cstring>

namespace {

std::string Reason(int error) {
    return std::string(" (") + std::strerror(error) + ")";
}

}  // namespace

std::string WriteFailureText(int error) {
    const bool full = error == ENOSPC || error == EDQUOT || error == EFBIG;
    return std::string("Recording stopped: ") +
           (full ? "the disk is full" : "the recording could not be written") + Reason(error);
}

std::string CreateFailureText(int error) {
    return "Recording not started: the file could not be created" + Reason(error);
}

std::string LineServiceText(bool inService) {
    return inService ? "Line device back: calls are seen again"
                     : "Line device gone: calls are not seen until it is back";
}

std::string PromptFailureText(PromptSlot slot) {
    const char* outcome = slot == PromptSlot::EndPrompt ? "Call released" : "Call not recorded";
    return std::string(outcome) + ": \"" + PromptName(slot) + ".wav\" could not be played";
}
