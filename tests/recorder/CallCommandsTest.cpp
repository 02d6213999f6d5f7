// The call commands: a line that cannot be taken leaves the mode idle.
#include "recorder/CallCommands.h"

#include <gtest/gtest.h>

#include "telephony/LTapiLine.h"

namespace {

TEST(CallCommandsTest, WithoutALineTheModeStaysIdle) {
    AppState app;
    LTapiLine line;  // no device open
    for (CallCommand command : {CallCommand::RecordToggle, CallCommand::HoldToggle,
                                CallCommand::Record, CallCommand::Hold}) {
        EXPECT_FALSE(RunCallCommand(command, app, line)) << static_cast<int>(command);
        EXPECT_EQ(app.callMode, CallMode::Idle);
    }
    EXPECT_TRUE(RunCallCommand(CallCommand::Stop, app, line));
}

}  // namespace
