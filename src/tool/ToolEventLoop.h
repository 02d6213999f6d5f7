// Running a subcommand that plays or records: the Qt event loop that delivers the player's and
// recorder's notifications, stopped by Ctrl-C or by the command itself.
#pragma once

#include <functional>

// Makes sure the process has its application object; call it before creating players or
// recorders, whose threads post to it.
void EnsureToolApplication();

// Runs the event loop until QuitToolEventLoop(); on Ctrl-C (SIGINT or SIGTERM) calls
// `onInterrupt`, which is expected to stop the work and so lead to the quit.
void RunToolEventLoop(const std::function<void()>& onInterrupt);
void QuitToolEventLoop();
