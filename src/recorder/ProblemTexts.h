// What the recorder tells the user when a call is not recorded as asked or a recording needs a
// look: each text goes to the main window as a tray message and to the caller log as it is.
#pragma once

#include <cstddef>
#include <string>

#include "recorder/AppState.h"
#include "recorder/PromptFiles.h"

// Tells `text` to the main window (a tray message), when there is one, and the caller log.
void TellProblem(const AppState& app, const std::string& text);

// A recording ended by a failed write: "Recording stopped: the disk is full (reason)" when the
// disk or the user's share of it is full, another "Recording stopped: ..." text otherwise;
// `error` is the errno.
std::string WriteFailureText(int error);
// The recording file could not be created: "Recording not started: ... (reason)".
std::string CreateFailureText(int error);
// A prompt that could not be played released the call: which prompt, and that the call was
// therefore not recorded (or, after the end prompt, not recorded further).
std::string PromptFailureText(PromptSlot slot);
// The line device went away (a modem unplugged or no longer answering) or came back.
std::string LineServiceText(bool inService);
// The call's events could not be written into its recording (`reason`: what went wrong); the
// recording itself is kept.
std::string InfoFailureText(const std::string& reason);
// A finished recording holds no sound: "The recording of the call from CALLER holds no sound:
// check the line's audio", "an unknown caller" when `caller` is empty.
std::string NoSoundText(const std::string& caller);
// "1 recording was recovered after an unexpected stop", "N recordings were ...".
std::string RecoveredText(std::size_t count);
