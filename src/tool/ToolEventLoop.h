// Running a subcommand that plays, records or watches: the Qt event loop that delivers the
// player's, recorder's and line's notifications, stopped by Ctrl-C or by the command itself.
#pragma once

#include <QSocketNotifier>
#include <functional>

#include "base/StopSignals.h"

// Makes sure the process has its application object; call it before creating players or
// recorders, whose threads post to it.
void EnsureToolApplication();

// SIGTERM and SIGINT (Ctrl-C), for as long as it lives, call `onStop` from the event loop
// instead of ending the process, so that the command ends its work in order.
class ToolStopSignals {
public:
    explicit ToolStopSignals(std::function<void()> onStop);

    // Whether a signal has come.
    bool Caught() const { return stopSignals.Caught(); }

private:
    StopSignals stopSignals;
    QSocketNotifier notifier;
};

// Runs the event loop until QuitToolEventLoop(); on a stop signal calls `onInterrupt`, which is
// expected to stop the work and so lead to the quit.
void RunToolEventLoop(const std::function<void()>& onInterrupt);
void QuitToolEventLoop();
