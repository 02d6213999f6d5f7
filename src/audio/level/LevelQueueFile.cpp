// The persistent list of files waiting for level processing.
#include "audio/level/LevelQueueFile.h"

#include <algorithm>
#include <map>

#include "base/AsciiText.h"
#include "base/IniFile.h"

namespace {

constexpr char kSection[] = "bgalc";
constexpr char kCountKey[] = "count";
constexpr std::string_view kEntryPrefix = "file";
// Digits of the largest index a count can claim (2,147,483,647).
constexpr std::size_t kMaxIndexDigits = 10;

// A line break would split the line; a NUL would end the name that the system sees.
constexpr std::string_view kLineBreaksAndNul("\r\n\0", 3);

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The index of an entry's key: "file" and a number written as "file%d" writes it.
std::optional<std::int64_t> EntryIndex(std::string_view key) {
    if (key.size() <= kEntryPrefix.size() ||
        !EqualsNoCase(key.substr(0, kEntryPrefix.size()), kEntryPrefix)) {
        return std::nullopt;
    }
    const std::string_view digits = key.substr(kEntryPrefix.size());
    if (digits.size() > kMaxIndexDigits || (digits.size() > 1 && digits.front() == '0')) {
        return std::nullopt;
    }
    std::int64_t index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        index = 10 * index + (c - '0');
    }
    return index;
}

std::vector<std::string> EntriesOf(const ProfileSection& section) {
    auto countKey = std::find_if(section.begin(), section.end(), [](const ProfileEntry& entry) {
        return EqualsNoCase(entry.key, kCountKey);
    });
    const std::int64_t count =
        countKey == section.end() ? 0 : std::max(ParseIntValue(countKey->value), 0);
    // The first of a key counts, as for reads of one key.
    std::map<std::int64_t, std::string_view> byIndex;
    for (const ProfileEntry& entry : section) {
        const std::optional<std::int64_t> index = EntryIndex(entry.key);
        if (index && *index < count) {
            byIndex.emplace(*index, entry.value);
        }
    }
    std::vector<std::string> entries;
    for (const auto& [index, value] : byIndex) {
        if (entries.size() == kMaxLevelQueueEntries) {
            break;
        }
        if (CanQueuePath(value)) {
            entries.emplace_back(value);
        }
    }
    return entries;
}

ProfileSection SectionOf(const std::vector<std::string>& entries) {
    ProfileSection section{{kCountKey, std::to_string(entries.size())}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        section.push_back({std::string(kEntryPrefix) + std::to_string(i), entries[i]});
    }
    return section;
}

}  // namespace

bool CanQueuePath(std::string_view file) {
    return !file.empty() && file.front() == '/' && file.size() < kMaxProfileValue &&
           file.find_first_of(kLineBreaksAndNul) == std::string_view::npos && !IsBlank(file.back());
}

std::int32_t LevelQueueFile::Count() const {
    return static_cast<std::int32_t>(Entries().size());
}

std::vector<std::string> LevelQueueFile::Entries() const {
    const std::optional<ProfileSection> section = ReadProfileSection(path, kSection);
    return section ? EntriesOf(*section) : std::vector<std::string>();
}

bool LevelQueueFile::Append(const std::string& file) {
    if (!CanQueuePath(file)) {
        return false;
    }
    bool full = false;
    const bool written = EditProfileSection(path, kSection, [&](ProfileSection& section) {
        std::vector<std::string> entries = EntriesOf(section);
        full = entries.size() >= kMaxLevelQueueEntries;
        if (full) {
            return false;
        }
        entries.push_back(file);
        section = SectionOf(entries);
        return true;
    });
    return written && !full;
}

std::optional<std::string> LevelQueueFile::TakeOldest(bool& failed) {
    std::optional<std::string> oldest;
    const bool written = EditProfileSection(path, kSection, [&](ProfileSection& section) {
        std::vector<std::string> entries = EntriesOf(section);
        if (entries.empty()) {
            return false;
        }
        oldest = std::move(entries.front());
        entries.erase(entries.begin());
        section = SectionOf(entries);
        return true;
    });
    // An unreadable file has no entry to take; one that was found but not removed has failed.
    failed = !written && oldest.has_value();
    return failed ? std::nullopt : oldest;
}
