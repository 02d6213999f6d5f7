// What the recorder tells the user when a call is not recorded as asked.
#include "recorder/ProblemTexts.h"

#include <cerrno>
#include <cstring>

#include "recorder/CallerLog.h"

namespace {

std::string Reason(int error) {
    return std::string(" (") + std::strerror(error) + ")";
}

}  // namespace

void TellProblem(const AppState& app, const std::string& text) {
    if (app.mainWindow) {
        app.mainWindow->OnProblemMessage(text);
    }
    AppendLogEntry(app.logsFolder, text);
}

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

std::string InfoFailureText(const std::string& reason) {
    return "The call's events could not be kept in its recording (" + reason + ")";
}

std::string NoSoundText(const std::string& caller) {
    return "The recording of the call from " + (caller.empty() ? "an unknown caller" : caller) +
           " holds no sound: check the line's audio";
}

std::string RecoveredText(std::size_t count) {
    return count == 1
               ? "1 recording was recovered after an unexpected stop"
               : std::to_string(count) + " recordings were recovered after an unexpected stop";
}
