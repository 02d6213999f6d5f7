// Profile (INI) files: case-insensitive sections and keys, write-through, crash-safe writes.
#include "base/IniFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "base/AsciiText.h"
#include "base/AtomicFile.h"
#include "base/PosixFile.h"
#include "base/UniqueFd.h"

namespace {

// Lines of the file as stored, without their '\n' (a CR of a CR LF file stays on the line).
std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        lines.emplace_back(content, start, end - start);
        start = end + 1;
    }
    return lines;
}

// The name of a "[section]" line, or nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimSpace(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    return TrimSpace(line.substr(0, line.find(']')));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyValue> ParseKeyLine(std::string_view line) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view key = TrimSpace(line.substr(0, eq));
    if (key.empty()) {
        return std::nullopt;
    }
    return KeyValue{key, TrimSpace(line.substr(eq + 1))};
}

// Where a key sits in the lines: its section's header and end, and the key's line.
struct KeyPlace {
    std::optional<std::size_t> header;
    std::size_t sectionEnd = 0;
    std::optional<std::size_t> keyLine;
};

// Only the first section of a name counts, for reads and writes alike.
KeyPlace FindKey(const std::vector<std::string>& lines, std::string_view section,
                 std::string_view key) {
    KeyPlace place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = SectionName(lines[i]);
        if (place.header) {
            if (name) {
                break;
            }
            place.sectionEnd = i + 1;
            std::optional<KeyValue> kv = ParseKeyLine(lines[i]);
            if (!place.keyLine && kv && EqualsNoCase(kv->key, key)) {
                place.keyLine = i;
            }
        } else if (name && EqualsNoCase(*name, section)) {
            place.header = i;
            place.sectionEnd = i + 1;
        }
    }
    return place;
}

std::string CutValue(std::string_view value) {
    return std::string(value.substr(0, kMaxProfileValue));
}

std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

std::string KeyLine(std::string_view key, std::string_view value, const char* cr) {
    return OneLine(key) + "=" + OneLine(value) + cr;
}

// Just past the section's last non-blank line: where new keys go.
std::size_t SectionContentEnd(const std::vector<std::string>& lines, const KeyPlace& place) {
    std::size_t at = place.sectionEnd;
    while (at > *place.header + 1 && TrimSpace(lines[at - 1]).empty()) {
        --at;
    }
    return at;
}

// A new section at the end of the file, after a blank line.
void AppendSection(std::vector<std::string>& lines, std::string_view section,
                   std::vector<std::string> keyLines, const char* cr) {
    if (!lines.empty() && !TrimSpace(lines.back()).empty()) {
        lines.push_back(cr);
    }
    lines.push_back("[" + OneLine(section) + "]" + cr);
    lines.insert(lines.end(), std::make_move_iterator(keyLines.begin()),
                 std::make_move_iterator(keyLines.end()));
}

// Where a section sits (no key line: no key has an empty name).
KeyPlace FindSection(const std::vector<std::string>& lines, std::string_view section) {
    return FindKey(lines, section, {});
}

ProfileSection SectionEntries(const std::vector<std::string>& lines, const KeyPlace& place) {
    ProfileSection entries;
    for (std::size_t i = place.header ? *place.header + 1 : lines.size(); i < place.sectionEnd;
         ++i) {
        if (std::optional<KeyValue> kv = ParseKeyLine(lines[i])) {
            entries.push_back({std::string(kv->key), CutValue(kv->value)});
        }
    }
    return entries;
}

// Reads the file under the lock of its folder, lets `edit` change its lines (given the line end
// that the file uses) and, when it did, puts the result in the file's place.
bool RewriteLocked(const std::string& file,
                   const std::function<bool(std::vector<std::string>&, const char*)>& edit) {
    // Writers of one folder take turns on the folder's lock; a lock on the file itself would be
    // lost with the rename that replaces it.
    UniqueFd folder(::open(ParentFolder(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        return false;
    }
    if (RetryInterrupted([&] { return ::flock(folder.Get(), LOCK_EX); }) != 0) {
        return false;
    }

    struct stat st {};
    bool exists = ::stat(file.c_str(), &st) == 0;
    std::optional<std::string> content = exists ? ReadWholeFile(file) : std::string();
    if (!content) {
        return false;
    }
    std::vector<std::string> lines = SplitLines(*content);
    const char* cr = (!lines.empty() && !lines[0].empty() && lines[0].back() == '\r') ? "\r" : "";
    if (!edit(lines, cr)) {
        return true;
    }

    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += '\n';
    }
    AtomicFile next(file);
    return WriteAll(next.Fd(), out) && next.Sync(exists ? (st.st_mode & 07777) : 0600) &&
           next.Replace();
}

// The problems a section and a key share; `what` names which it is.
std::optional<std::string> BlankOrBrokenName(const char* what, std::string_view name) {
    const std::string must = std::string("a ") + what + " must not ";
    if (TrimSpace(name).empty()) {
        return must + "be empty or only white space";
    }
    if (TrimSpace(name) != name) {
        return must + "start or end with white space (it is read without)";
    }
    if (name.find_first_of("\r\n") != std::string_view::npos) {
        return must + "hold a line break";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ProfileNameProblem(std::string_view section, std::string_view key) {
    if (auto problem = BlankOrBrokenName("section", section)) {
        return problem;
    }
    if (section.find(']') != std::string_view::npos) {
        return "a section must not hold ']' (it ends the section's header)";
    }
    if (auto problem = BlankOrBrokenName("key", key)) {
        return problem;
    }
    if (key.front() == '[') {
        return "a key must not start with '[' (its line would read as a section header)";
    }
    if (key.find('=') != std::string_view::npos) {
        return "a key must not hold '=' (the value starts after the first)";
    }
    return std::nullopt;
}

std::optional<std::string> ReadProfileValue(const std::string& file, std::string_view section,
                                            std::string_view key) {
    std::optional<std::string> content = ReadWholeFile(file);
    if (!content) {
        return std::nullopt;
    }
    std::vector<std::string> lines = SplitLines(*content);
    KeyPlace place = FindKey(lines, section, key);
    if (!place.keyLine) {
        return std::nullopt;
    }
    return CutValue(ParseKeyLine(lines[*place.keyLine])->value);
}

std::string ReadProfileString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view def) {
    std::optional<std::string> value = ReadProfileValue(file, section, key);
    return value ? *value : CutValue(def);
}

bool WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
    if (ProfileNameProblem(section, key)) {
        return false;
    }
    return RewriteLocked(file, [&](std::vector<std::string>& lines, const char* cr) {
        KeyPlace place = FindKey(lines, section, key);
        if (!value) {
            if (!place.keyLine) {
                return false;
            }
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*place.keyLine));
            return true;
        }
        std::string line = KeyLine(key, *value, cr);
        if (place.keyLine) {
            lines[*place.keyLine] = std::move(line);
        } else if (place.header) {
            lines.insert(
                lines.begin() + static_cast<std::ptrdiff_t>(SectionContentEnd(lines, place)),
                std::move(line));
        } else {
            AppendSection(lines, section, {std::move(line)}, cr);
        }
        return true;
    });
}

std::optional<ProfileSection> ReadProfileSection(const std::string& file,
                                                 std::string_view section) {
    std::optional<std::string> content = ReadWholeFile(file);
    if (!content) {
        return std::nullopt;
    }
    std::vector<std::string> lines = SplitLines(*content);
    return SectionEntries(lines, FindSection(lines, section));
}

bool EditProfileSection(const std::string& file, std::string_view section,
                        const std::function<bool(ProfileSection&)>& edit) {
    return RewriteLocked(file, [&](std::vector<std::string>& lines, const char* cr) {
        const KeyPlace place = FindSection(lines, section);
        ProfileSection entries = SectionEntries(lines, place);
        if (!edit(entries)) {
            return false;
        }
        std::vector<std::string> entryLines;
        entryLines.reserve(entries.size());
        for (const ProfileEntry& entry : entries) {
            entryLines.push_back(KeyLine(entry.key, entry.value, cr));
        }
        if (!place.header) {
            AppendSection(lines, section, std::move(entryLines), cr);
            return true;
        }
        auto first = lines.begin() + static_cast<std::ptrdiff_t>(*place.header + 1);
        auto last = lines.begin() + static_cast<std::ptrdiff_t>(SectionContentEnd(lines, place));
        lines.insert(lines.erase(first, last), std::make_move_iterator(entryLines.begin()),
                     std::make_move_iterator(entryLines.end()));
        return true;
    });
}

std::int32_t ParseIntValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Saturates instead of wrapping, so an absurdly long number stays on its side of zero.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(10 * value + (text[i] - '0'), 1LL << 32);
    }
    if (negative) {
        value = -value;
    }
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

std::int32_t ReadProfileInt(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t def) {
    std::optional<std::string> value = ReadProfileValue(file, section, key);
    return value ? ParseIntValue(*value) : def;
}
