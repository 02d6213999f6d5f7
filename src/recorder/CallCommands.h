// What the user's call commands do: the Record and Hold buttons (which toggle), the Record,
// Hold and Stop menu items and their keys. They only set the call mode, and take the line (answer
// the ringing call, or go off hook beside the handset) when the mode leaves idle; the call
// recorder sees the new mode at its next event. A line that cannot be taken leaves the mode idle.
#pragma once

#include "recorder/AppState.h"

class LTapiLine;

enum class CallCommand : int {
    RecordToggle = 101,  // the Record button
    HoldToggle = 102,    // the Hold button
    Record = 2001,       // Call, Record (F5)
    Hold = 2002,         // Call, Hold (F9)
    Stop = 2003,         // Call, Stop (Esc)
};

// False when the mode was to leave idle but there is no line to take: the mode stays idle, and
// the caller tells the user why.
bool RunCallCommand(CallCommand command, AppState& app, LTapiLine& line);
