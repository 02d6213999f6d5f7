// A deadline for code that must not wait on a FIFO, so that a fault that makes it wait fails
// the test instead of hanging the suite.
#pragma once

#include <chrono>
#include <functional>
#include <string>

// Runs `call` on this thread. Should it not have returned within `bound`, the test fails and
// the FIFO at `fifo` is opened at both ends and closed again, which frees an open of either end
// that waits for the other; a read then finds the end of the file and a write fails (SIGPIPE is
// ignored meanwhile). This repeats until `call` returns.
void RunWithFifoDeadline(const std::string& fifo, const std::function<void()>& call,
                         std::chrono::milliseconds bound = std::chrono::seconds(30));
