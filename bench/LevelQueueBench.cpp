// The background level queue's bookkeeping: queueing files one by one, and draining a queue
// whose files are all missing (so that only the queue file's work is timed). Wall time, since
// every change of the queue file waits for the disk; the files live in a temporary folder
// (TMPDIR or /tmp).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/level/LLevelQueue.h"

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/queuebench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path = pattern + "/";
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    // The data folder, ending in "/".
    const std::string& Path() const { return path; }
    std::string QueueFile() const { return path + kLevelQueueFileName; }
    std::string MissingFile(std::int64_t i) const {
        return path + "missing-" + std::to_string(i) + ".wav";
    }

private:
    std::string path;
};

// A queue file of `count` entries, written as one piece.
void WriteQueue(const ScratchFolder& folder, std::int64_t count) {
    std::ofstream out(folder.QueueFile(), std::ios::trunc);
    out << "[bgalc]\ncount=" << count << "\n";
    for (std::int64_t i = 0; i < count; ++i) {
        out << "file" << i << "=" << folder.MissingFile(i) << "\n";
    }
}

void BM_AppendEntries(benchmark::State& state) {
    const ScratchFolder folder;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(folder.QueueFile());
        LevelQueueFile queue(folder.QueueFile());
        state.ResumeTiming();
        for (std::int64_t i = 0; i < state.range(0); ++i) {
            if (!queue.Append(folder.MissingFile(i))) {
                state.SkipWithError("cannot append");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AppendEntries)
    ->Arg(50)
    ->Arg(200)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_DrainMissingFiles(benchmark::State& state) {
    const ScratchFolder folder;
    const LStopEvent neverStop;
    for (auto _ : state) {
        state.PauseTiming();
        WriteQueue(folder, state.range(0));
        LLevelQueue queue(folder.Path());
        state.ResumeTiming();
        queue.ProcessQueued(neverStop);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrainMissingFiles)
    ->Arg(50)
    ->Arg(200)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
