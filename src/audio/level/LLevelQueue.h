// The background level processing queue: finished recordings are queued in a small file that
// survives a restart, and a low-priority worker levels them one at a time in their place.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "audio/level/LevelFile.h"
#include "audio/level/LevelQueueFile.h"
#include "base/LWorkerThread.h"

class LLevelQueue : public LWorkerThread {
public:
    // The queue file is "bgalc.dat" in `dataFolder` (which ends in "/").
    explicit LLevelQueue(const std::string& dataFolder);
    // Stops the worker (Stop).
    ~LLevelQueue() override;

    // Queues `path` (a full path) and starts the worker at the lowest priority unless it runs.
    // False when the path cannot be queued faithfully, the queue is full or the queue file
    // cannot be written.
    bool Add(const std::string& path);

    // At exit: stops the worker, waiting up to 5,000 ms.
    void Stop();

    // Levels queued files on the calling thread, oldest first, until the queue is empty or
    // `stop` is set; `report` hears of each file's result. An entry leaves the queue only once
    // its file is levelled or dropped, in one rewrite of the queue file: a file whose levelling
    // is stopped or cut short by a crash stays queued for the next run (a crash between putting
    // a levelled file in place and removing its entry makes the next run level it once more).
    // False when the queue file could not be rewritten: the run ends there rather than take the
    // same file again. The worker runs this; so does a one-off run over the queue.
    using Report = std::function<void(const std::string& path, LevelResult result)>;
    bool ProcessQueued(const LStopEvent& stop, const Report& report = {});

    const std::string& QueuePath() const { return file.Path(); }

protected:
    void Run(const LStopEvent& stop) override;

private:
    // The oldest entry, under the lock. When the queue is empty the worker counts as ended from
    // here on, so that the next Add starts a new one.
    std::optional<std::string> NextQueued();
    // Removes the entry `path` that is done with, under the lock; when that fails the worker
    // counts as ended, as for an empty queue.
    bool Finish(const std::string& path);

    std::mutex mutex;  // guards the queue file and `workerActive`
    LevelQueueFile file;
    bool workerActive = false;
};
