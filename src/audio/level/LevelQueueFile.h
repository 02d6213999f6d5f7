// The persistent list of files waiting for level processing: an INI file with one section
// "bgalc", the number of entries under "count" and their paths, oldest first, under "file0",
// "file1", ... Not synchronised within the process: the queue calls it under its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kLevelQueueFileName[] = "bgalc.dat";

// The most entries the queue holds. A day of calls queues a few dozen; the limit keeps a damaged
// or hostile file (a "count" of two billion) from costing more than a few thousand small reads,
// and every change of the queue from rewriting more than a few hundred kilobytes.
inline constexpr std::size_t kMaxLevelQueueEntries = 1000;

// Whether `file` survives a round trip through the queue file unchanged: a full path, shorter
// than the longest value a profile read returns, without line breaks (they would become
// blanks), NUL characters or blanks at either end (reads trim them). Anything else could name
// another file when it is read back.
bool CanQueuePath(std::string_view file);

// How a file is read: "count" is a claim, not a loop bound. The entries are the values of
// "file<i>" for i below the count (a missing, unreadable or negative count is 0), in the order
// of i, at most kMaxLevelQueueEntries of them, the lowest indexes first. A "file<i>" below the
// count that is missing, empty or not a path that could have been queued (CanQueuePath: it may
// have been cut or damaged, and must never be guessed at) is a gap, not an entry: it is skipped
// and the order of the others stays. Keys from "file<count>" on (a half-finished append of an
// earlier version) and keys that are not canonical ("file01", "file-1") are ignored. Every change
// writes the section anew in the canonical form: "count" first, then "file0" to "file<count - 1>"
// without gaps; other keys of the section are dropped, other sections kept. Each change is one
// crash-safe rewrite of the file, serialised with other processes that change it.
class LevelQueueFile {
public:
    explicit LevelQueueFile(std::string path) : path(std::move(path)) {}

    const std::string& Path() const { return path; }

    // The number of entries.
    std::int32_t Count() const;
    // The entries, oldest first.
    std::vector<std::string> Entries() const;
    // Appends `file`; false when it cannot be queued (CanQueuePath), the queue is full or the
    // queue file cannot be written.
    bool Append(const std::string& file);
    // Removes the oldest entry and returns it, in one locked rewrite; nothing when the queue is
    // empty or cannot be read. `failed` tells when the queue file could not be rewritten: the
    // entry then stays queued and nothing is returned.
    std::optional<std::string> TakeOldest(bool& failed);

private:
    std::string path;
};
