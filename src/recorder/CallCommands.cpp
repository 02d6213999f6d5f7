// What the user's call commands do.
#include "recorder/CallCommands.h"

#include "telephony/LTapiLine.h"

namespace {

bool SetMode(CallMode mode, AppState& app, LTapiLine& line) {
    bool wasIdle = app.callMode == CallMode::Idle;
    app.callMode = mode;
    // A call still in hand (its end announcement playing) cannot be answered again, and needs
    // not be: the recorder takes the new mode at its next event. Without a call, the mode would
    // show a recording that never starts.
    if (wasIdle && mode != CallMode::Idle && !line.MakeCall(nullptr) && line.GetCall() == 0) {
        app.callMode = CallMode::Idle;
        return false;
    }
    return true;
}

}  // namespace

bool RunCallCommand(CallCommand command, AppState& app, LTapiLine& line) {
    switch (command) {
        case CallCommand::RecordToggle:
            return SetMode(app.callMode == CallMode::Record ? CallMode::Idle : CallMode::Record,
                           app, line);
        case CallCommand::HoldToggle:
            return SetMode(app.callMode == CallMode::Hold ? CallMode::Idle : CallMode::Hold, app,
                           line);
        case CallCommand::Record:
            return SetMode(CallMode::Record, app, line);
        case CallCommand::Hold:
            return SetMode(CallMode::Hold, app, line);
        case CallCommand::Stop:
            return SetMode(CallMode::Idle, app, line);
    }
    return true;
}
