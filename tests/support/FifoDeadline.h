// A deadline for code that must not wait on a FIFO, so that a fault that makes it wait fails
// the test instead of hanging the suite.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <string>
#include <thread>

// Runs `call` on this thread. Should it still run after 30 seconds, the test fails and the FIFO
// `fifo` is opened at both ends and closed, each second until `call` returns: that frees an open
// of either end waiting for the other (SIGPIPE is ignored meanwhile).
inline void RunWithFifoDeadline(const std::string& fifo, const std::function<void()>& call) {
    void (*savedHandler)(int) = std::signal(SIGPIPE, SIG_IGN);
    bool overdue = false;
    std::promise<void> returned;
    std::thread watcher([&, done = returned.get_future()] {
        for (auto wait = std::chrono::seconds(30); done.wait_for(wait) != std::future_status::ready;
             wait = std::chrono::seconds(1)) {
            overdue = true;
            ::close(::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        }
    });
    call();
    returned.set_value();
    watcher.join();
    std::signal(SIGPIPE, savedHandler);
    EXPECT_FALSE(overdue) << "still waiting on " << fifo << " after 30 s";
}
