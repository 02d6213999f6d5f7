// What the recorder tells the user when a call is not recorded as asked: each text goes to the
// main window as a tray message and to the caller log as it is.
#pragma once

#include <string>

#include "recorder/PromptFiles.h"

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
