// The background level processing queue: finished recordings are queued in a small file that
// survives a restart, and a low-priority worker levels them one at a time in their place; a
// recording is checked for sound first.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
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

    // What the worker does with a file.
    enum class Work {
        Level,  // levels it (a recording is checked for sound first)
        Check,  // only checks it for sound: a recording that is not to be levelled (kept in
                // memory only)
    };
    // Queues `path` (a full path) and starts the worker at the lowest priority unless it runs.
    // False when the path cannot be queued faithfully, the queue is full or the queue file
    // cannot be written.
    bool Add(const std::string& path, Work work = Work::Level);

    // The recordings are the files of `folder` (ending in "/"): each is checked for sound
    // (SilenceCheck) before it is levelled, whichever run queued it, and `report` hears on the
    // worker's thread of each that holds none. Set before the first Add.
    using NoSoundReport = std::function<void(const std::string& path)>;
    void CheckRecordingsIn(std::string folder, NoSoundReport report);

    // At exit: stops the worker, waiting up to 5,000 ms.
    void Stop();

    // Levels queued files on the calling thread, oldest first, until the queue is empty or
    // `stop` is set; `report` hears of each file's result. Each entry is taken off the queue, in
    // one rewrite of the queue file, before its file is levelled, so that a file whose levelling
    // is cut short by exit (or whose levelling brought the program down) is not taken again after
    // a restart. A file changed while it was levelled is queued again (its new content wants
    // levelling too, not another check). Recordings are checked for sound before they are
    // levelled, and those only to be checked come first. False when the queue file could not be
    // rewritten: the run ends there rather than take the same file again. The worker runs this; so
    // does a one-off run over the queue.
    using Report = std::function<void(const std::string& path, LevelResult result)>;
    bool ProcessQueued(const LStopEvent& stop, const Report& report = {});

    const std::string& QueuePath() const { return file.Path(); }

protected:
    void Run(const LStopEvent& stop) override;

private:
    struct Entry {
        std::string path;
        bool check = false;
        bool level = true;
    };
    // Takes the next entry, under the lock: one only to be checked, else the oldest entry of the
    // queue file. Nothing when both are empty or the queue file cannot be rewritten (`failed`
    // tells which); the worker then counts as ended from here on, so that the next Add starts a
    // new one.
    std::optional<Entry> TakeNext(bool& failed);

    std::mutex mutex;  // guards the queue file, the lists to check and `workerActive`
    LevelQueueFile file;
    std::set<std::string> requeued;     // changed while levelled: checked already
    std::deque<std::string> checkOnly;  // to be checked and not levelled
    bool workerActive = false;
    std::string recordingsFolder;
    NoSoundReport noSound;
};
