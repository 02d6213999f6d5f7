// What the user's call commands do.
#include "recorder/CallCommands.h"

#include "telephony/LTapiLine.h"

namespace {

void SetMode(CallMode mode, AppState& app, LTapiLine& line) {
    bool wasIdle = app.callMode == CallMode::Idle;
    app.callMode = mode;
    if (wasIdle && mode != CallMode::Idle) {
        line.MakeCall(nullptr);
    }
}

}  // namespace

void RunCallCommand(CallCommand command, AppState& app, LTapiLine& line) {
    switch (command) {
        case CallCommand::RecordToggle:
            SetMode(app.callMode == CallMode::Record ? CallMode::Idle : CallMode::Record, app,
                    line);
            break;
        case CallCommand::HoldToggle:
            SetMode(app.callMode == CallMode::Hold ? CallMode::Idle : CallMode::Hold, app, line);
            break;
        case CallCommand::Record:
            SetMode(CallMode::Record, app, line);
            break;
        case CallCommand::Hold:
            SetMode(CallMode::Hold, app, line);
            break;
        case CallCommand::Stop:
            app.callMode = CallMode::Idle;
            break;
    }
}
