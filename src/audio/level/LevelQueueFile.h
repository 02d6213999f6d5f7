// The persistent list of files waiting for level processing: an INI file with one section
// "bgalc", the number of entries under "count" and their paths, oldest first, under "file0",
// "file1", ... Not synchronised: the queue calls it under its lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kLevelQueueFileName[] = "bgalc.dat";

// Whether `file` survives a round trip through the queue file unchanged: a full path, shorter
// than the longest value a profile read returns, without line breaks (they would become
// blanks) or blanks at either end (reads trim them). Anything else could name another file when
// it is read back.
bool CanQueuePath(std::string_view file);

class LevelQueueFile {
public:
    explicit LevelQueueFile(std::string path) : path(std::move(path)) {}

    const std::string& Path() const { return path; }

    // The number of entries; a missing, unreadable or negative count is 0.
    std::int32_t Count() const;
    // The entries, oldest first.
    std::vector<std::string> Entries() const;
    // Appends `file`; false when it cannot be queued (CanQueuePath) or the queue file cannot be
    // written.
    bool Append(const std::string& file);
    // Removes the oldest entry, moves the others down one place and returns it; nothing when
    // the queue is empty.
    std::optional<std::string> TakeOldest();

private:
    std::string path;
};
