// Fuzzes the level queue file: any bytes as "bgalc.dat" are counted, listed, taken from and
// appended to, which must never crash or hang; the entries never exceed the limit and agree
// with the count, and an entry taken and appended again reads back as the newest.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "audio/level/LevelQueueFile.h"
#include "base/PosixFile.h"

namespace {

// Where the folder goes without TMPDIR: every change of the queue file is synced, which in
// memory costs nothing (some 2,700 runs a second against 65 on a disk).
std::string ScratchBase() {
    const char* base = std::getenv("TMPDIR");
    if (base && base[0]) {
        return base;
    }
    return std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
}

constexpr char kFolderStem[] = "fuzz_level_queue_file-";

// Folders of fuzzer processes that no longer run (interrupted runs end without cleaning up).
void RemoveStaleFolders(const std::string& base) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(base, ignored)) {
        const std::string name = entry.path().filename();
        if (!name.starts_with(kFolderStem)) {
            continue;
        }
        const long pid = std::atol(name.c_str() + sizeof kFolderStem - 1);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

// A folder named after the fuzzer and its process, removed when the fuzzer exits. Each input's
// files are removed after it; what an interrupted run leaves is removed by the next run.
class ScratchFolder {
public:
    ScratchFolder() {
        const std::string base = ScratchBase();
        RemoveStaleFolders(base);
        path = base + "/" + kFolderStem + std::to_string(::getpid());
        // One left by an earlier process of the same number.
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        if (::mkdir(path.c_str(), 0700) != 0) {
            std::abort();
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string QueueFile() const { return path + "/" + kLevelQueueFileName; }
    void Empty() const {
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            std::filesystem::remove(entry.path());
        }
    }

private:
    std::string path;
};

const ScratchFolder& Scratch() {
    static const ScratchFolder folder;
    return folder;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void WriteQueueFile(const std::string& path, std::string_view content) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    Check(fd.Valid() && WriteAll(fd.Get(), content));
}

void Exercise(LevelQueueFile& queue) {
    const std::vector<std::string> entries = queue.Entries();
    Check(entries.size() <= kMaxLevelQueueEntries);
    Check(queue.Count() == static_cast<std::int32_t>(entries.size()));
    for (const std::string& entry : entries) {
        Check(CanQueuePath(entry));
    }
    bool failed = false;
    const std::optional<std::string> oldest = queue.TakeOldest(failed);
    Check(!failed);
    if (!oldest) {
        Check(entries.empty());
        Check(queue.Append("/rec/fuzz.wav"));
        Check(queue.Entries() == std::vector<std::string>{"/rec/fuzz.wav"});
        return;
    }
    Check(*oldest == entries.front());
    // Taken: the others move up unchanged.
    const std::vector<std::string> rest = queue.Entries();
    Check(rest == std::vector<std::string>(entries.begin() + 1, entries.end()));
    // Appended again: it reads back as the newest.
    Check(queue.Append(*oldest));
    std::vector<std::string> after = queue.Entries();
    Check(!after.empty() && after.back() == *oldest);
    after.pop_back();
    Check(after == rest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ScratchFolder& folder = Scratch();
    WriteQueueFile(folder.QueueFile(), std::string_view(reinterpret_cast<const char*>(data), size));
    LevelQueueFile queue(folder.QueueFile());
    Exercise(queue);
    folder.Empty();
    return 0;
}
