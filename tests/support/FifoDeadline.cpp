// A deadline for code that must not wait on a FIFO: a watcher thread frees it and fails the test.
#include "support/FifoDeadline.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

void RunWithFifoDeadline(const std::string& fifo, const std::function<void()>& call,
                         std::chrono::milliseconds bound) {
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    bool overdue = false;
    void (*savedHandler)(int) = std::signal(SIGPIPE, SIG_IGN);
    std::thread watcher([&] {
        std::unique_lock lock(mutex);
        auto wait = bound;
        while (!returned.wait_for(lock, wait, [&] { return done; })) {
            overdue = true;
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            }
            wait = std::chrono::seconds(1);
        }
    });
    call();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_one();
    watcher.join();
    std::signal(SIGPIPE, savedHandler);
    EXPECT_FALSE(overdue) << "still waiting on " << fifo << " after " << bound.count() << " ms";
}
