// Base of every object that owns one background thread.
#include "base/LWorkerThread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

struct LWorkerThread::Shared {
    LStopEvent stop;
    std::mutex mutex;
    std::condition_variable endedSignal;
    bool ended = false;      // Run and OnThreadEnd have returned
    bool abandoned = false;  // the owner detached the thread and may be gone
};

namespace {

constexpr int kWeakestNice = 19;
constexpr int kLoweredBy = 10;

// The nice value of the process's main thread: the value threads are measured against.
int ProcessNice() {
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    return (nice == -1 && errno != 0) ? 0 : nice;
}

}  // namespace

int ThreadNiceValue(int priority, int processNice) {
    if (priority <= kThreadPriorityIdle) {
        return kWeakestNice;
    }
    if (priority < kThreadPriorityNormal) {
        return std::min(processNice + kLoweredBy, kWeakestNice);
    }
    return processNice;
}

void SetThreadPriority(int threadId, int priority) {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId != 0 ? threadId : ::gettid()),
                  ThreadNiceValue(priority, ProcessNice()));
}

LWorkerThread::~LWorkerThread() {
    StopThread(kStopThreadTimeoutMs);
}

void LWorkerThread::StartThread(int priority) {
    if (IsThreadRunning()) {
        return;
    }
    if (thread.joinable()) {
        thread.join();
    }
    auto next = std::make_shared<Shared>();
    int nice = ThreadNiceValue(priority, ProcessNice());
    // std::thread reports a failed creation only by throwing; the owner sees no thread.
    try {
        thread = std::thread(ThreadMain, this, next, nice);
    } catch (const std::system_error&) {
        shared.reset();
        return;
    }
    shared = std::move(next);
}

void LWorkerThread::StopThread(int timeoutMs) {
    if (!thread.joinable()) {
        return;
    }
    shared->stop.Set();
    std::unique_lock lock(shared->mutex);
    bool ended = shared->endedSignal.wait_for(
        lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [this] { return shared->ended; });
    if (!ended) {
        shared->abandoned = true;
    }
    lock.unlock();
    if (ended) {
        thread.join();
    } else {
        thread.detach();
    }
    shared.reset();
}

void LWorkerThread::AwaitThreadEnd() {
    if (!thread.joinable()) {
        return;
    }
    {
        std::unique_lock lock(shared->mutex);
        shared->endedSignal.wait(lock, [this] { return shared->ended; });
    }
    thread.join();
    shared.reset();
}

bool LWorkerThread::IsThreadRunning() const {
    if (!thread.joinable()) {
        return false;
    }
    std::lock_guard lock(shared->mutex);
    return !shared->ended;
}

void LWorkerThread::ThreadMain(LWorkerThread* self, std::shared_ptr<Shared> shared, int nice) {
    // Linux keeps a nice value per thread, addressed by the thread's id.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
    self->OnThreadStart();
    self->Run(shared->stop);
    // OnThreadEnd runs under the lock so that StopThread cannot give up on the thread halfway
    // through it; once abandoned, the object may already be destroyed.
    std::lock_guard lock(shared->mutex);
    if (shared->abandoned) {
        return;
    }
    self->OnThreadEnd();
    shared->ended = true;
    shared->endedSignal.notify_all();
}
