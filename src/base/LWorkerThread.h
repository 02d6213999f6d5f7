// Base of every object that owns one background thread: one thread at a time, a stop event that
// the thread polls, a start with a priority and a stop with a bounded wait.
#pragma once

#include <memory>
#include <thread>

#include "base/LStopEvent.h"

// Thread priorities as callers name them (the feeding thread, the level queue and the meter use
// the lowest, the waveform reader idle).
inline constexpr int kThreadPriorityIdle = -15;
inline constexpr int kThreadPriorityLowest = -2;
inline constexpr int kThreadPriorityNormal = 0;
inline constexpr int kThreadPriorityHighest = 2;

// The wait that every owner gives StopThread.
inline constexpr int kStopThreadTimeoutMs = 5000;

// The nice value for a thread of `priority` in a process whose normal nice value is
// `processNice`: idle gets the weakest value (19), the other priorities below normal 10 above
// the normal value (at most 19), normal and above the normal value. An unprivileged process
// cannot go below its normal value, so "highest" means no lowering.
int ThreadNiceValue(int priority, int processNice);

// Sets the priority of the thread with kernel id `threadId` (0: the calling thread), as a
// thread that raises itself once it is under way, or its owner lowering it again, do; failures,
// such as an unprivileged raise, are ignored.
void SetThreadPriority(int threadId, int priority);

class LWorkerThread {
public:
    LWorkerThread() = default;
    // Stops the thread with kStopThreadTimeoutMs. A derived class whose Run uses its own members
    // must stop the thread in its own destructor, since this one runs after they are gone.
    virtual ~LWorkerThread();
    LWorkerThread(const LWorkerThread&) = delete;
    LWorkerThread& operator=(const LWorkerThread&) = delete;

    // Starts the thread at `priority` with a fresh stop event. While a thread still runs nothing
    // changes, not even the priority; a finished one is joined first. Failing to create the
    // thread leaves the object without one; failing to set the priority is ignored.
    void StartThread(int priority);

    // Sets the thread's stop event and waits up to `timeoutMs` for it to end. A thread that has
    // not ended by then cannot be killed safely, so it is detached: the object is left without a
    // thread and never again touches that thread's stop event or state, and the thread never
    // calls OnThreadEnd or touches the object after its Run returns. Without a thread this returns
    // at once. Called by the owner, never by the thread itself.
    void StopThread(int timeoutMs);

    // True while the thread has not finished.
    bool IsThreadRunning() const;

    // Waits, without asking it to stop, until the thread has ended by itself, and joins it.
    // Without a thread this returns at once. Called by the owner.
    void AwaitThreadEnd();

protected:
    // The thread's work; it must return soon after `stop` is set.
    virtual void Run(const LStopEvent& stop) = 0;
    // Run on the new thread before Run.
    virtual void OnThreadStart() {}
    // Run on the thread after Run, unless StopThread gave up on it.
    virtual void OnThreadEnd() {}

private:
    // What one thread shares with its owner; the thread keeps it alive for as long as it runs.
    struct Shared;
    static void ThreadMain(LWorkerThread* self, std::shared_ptr<Shared> shared, int nice);

    std::thread thread;
    std::shared_ptr<Shared> shared;
};
