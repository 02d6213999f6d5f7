// The persistent list of files waiting for level processing.
#include "audio/dsp/LevelQueueFile.h"

#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

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
    std::int32_t count = ReadIntSetting(path, kSection, kCountKey, 0);
    return count < 0 ? 0 : count;
}

std::vector<std::string> LevelQueueFile::Entries() const {
    std::vector<std::string> entries;
    const std::int32_t count = Count();
    for (std::int32_t i = 0; i < count; ++i) {
        entries.push_back(ReadTextSetting(path, kSection, EntryKey(i), ""));
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
    std::string oldest = ReadTextSetting(path, kSection, EntryKey(0), "");
    for (std::int32_t i = 0; i + 1 < count; ++i) {
        WriteTextSetting(path, kSection, EntryKey(i),
                         ReadTextSetting(path, kSection, EntryKey(i + 1), ""));
    }
    WriteTextSetting(path, kSection, EntryKey(count - 1), std::nullopt);
    WriteCountSetting(path, kSection, "", count - 1);
    return oldest;
}
