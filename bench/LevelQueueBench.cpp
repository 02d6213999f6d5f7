// The background level queue's bookkeeping: queueing files one by one, and draining a queue
// whose files are all missing (so that only the queue file's work is timed); and what the worker
// does to an hour's recording besides levelling it: the check for sound, and its info written
// back. Wall time, since every change of the queue file waits for the disk; the files live in a
// temporary folder (TMPDIR or /tmp).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/files/LWaveWriter.h"
#include "audio/files/RecordingInfo.h"
#include "audio/level/LLevelQueue.h"
#include "audio/level/SilenceCheck.h"

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

// An hour at 8,000 Hz of faint noise (about -77 dBFS): every block is measured.
std::string WriteQuietHour(const ScratchFolder& folder) {
    const std::string path = folder.Path() + "hour.wav";
    LWaveWriter writer(path, 8000, 0, 2, 1);
    std::vector<std::int32_t> block(8000);
    std::uint32_t noise = 1;
    for (int second = 0; second < 3600; ++second) {
        for (std::int32_t& sample : block) {
            noise = noise * 1664525u + 1013904223u;
            sample = static_cast<std::int32_t>(noise >> 24) - 128;  // +-128 internal units
        }
        writer.Write(block.data(), 8000);
    }
    return path;
}

void BM_SilenceCheckHour(benchmark::State& state) {
    const ScratchFolder folder;
    const std::string path = WriteQuietHour(folder);
    for (auto _ : state) {
        if (CheckSilence(path) != SilenceVerdict::NoSound) {
            state.SkipWithError("the quiet hour was not found silent");
            return;
        }
    }
}
BENCHMARK(BM_SilenceCheckHour)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_WriteInfoHour(benchmark::State& state) {
    const ScratchFolder folder;
    const std::string path = WriteQuietHour(folder);
    RecordingInfo info;
    info.caller = "5550123 JOHN SMITH";
    info.date = "2026-12-07 14:05:09";
    info.eventRate = 8000;
    for (int minute = 0; minute < 60; ++minute) {
        info.events.push_back({minute * 480000, 0, CallEventKind::Tone, {}});
    }
    for (auto _ : state) {
        info.note = std::to_string(state.iterations());
        if (!WriteRecordingInfo(path, info).empty()) {
            state.SkipWithError("the info could not be written");
            return;
        }
    }
}
BENCHMARK(BM_WriteInfoHour)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
