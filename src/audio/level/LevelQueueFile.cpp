// The persistent list of files waiting for level processing.
#include "audio/level/LevelQueueFile.h"

#include "base/IniFile.h"

namespace {

constexpr char kSection[] = "bgalc";
constexpr char kCountKey[] = "count";

std::string EntryKey(std::int32_t index) {
    return "file" + std::to_string(index);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool CanQueuePath(std::string_view file) {
    return !file.empty() && file.front() == '/' && file.size() < kMaxProfileValue &&
           file.find_first_of("\r\n") == std::string_view::npos && !IsBlank(file.back());
}

std::int32_t LevelQueueFile::Count() const {
    std::int32_t count = ReadProfileInt(path, kSection, kCountKey, 0);
    return count < 0 ? 0 : count;
}

std::vector<std::string> LevelQueueFile::Entries() const {
    std::vector<std::string> entries;
    const std::int32_t count = Count();
    for (std::int32_t i = 0; i < count; ++i) {
        entries.push_back(ReadProfileString(path, kSection, EntryKey(i), ""));
    }
    return entries;
}

bool LevelQueueFile::Append(const std::string& file) {
    if (!CanQueuePath(file)) {
        return false;
    }
    const std::int32_t count = Count();
    return WriteProfileString(path, kSection, EntryKey(count), file) &&
           WriteProfileString(path, kSection, kCountKey, std::to_string(count + 1));
}

std::optional<std::string> LevelQueueFile::TakeOldest() {
    const std::int32_t count = Count();
    if (count < 1) {
        return std::nullopt;
    }
    std::string oldest = ReadProfileString(path, kSection, EntryKey(0), "");
    for (std::int32_t i = 0; i + 1 < count; ++i) {
        WriteProfileString(path, kSection, EntryKey(i),
                           ReadProfileString(path, kSection, EntryKey(i + 1), ""));
    }
    WriteProfileString(path, kSection, EntryKey(count - 1), std::nullopt);
    WriteProfileString(path, kSection, kCountKey, std::to_string(count - 1));
    return oldest;
}
