// Fuzzes the profile-file store: any file content, then one write (or deletion) of any key. What
// was written reads back, every other key reads as before, the same write again changes nothing,
// a deletion repeated ends with the key gone, and a name that could not read back is refused
// with the file left as it was. The input is CONTENT \0 SECTION \0 KEY [\0 VALUE]; without a
// value the key is deleted. Every write syncs the file to the disk: with TMPDIR on a memory file
// system (/dev/shm) the target runs about ten times faster.
#include <fcntl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/AsciiText.h"
#include "base/IniFile.h"
#include "base/PosixFile.h"
#include "base/TempFiles.h"

namespace {

// The folder the file lives in (the store replaces a file by renaming another beside it), one
// per fuzzing process, removed at its end; one left by a crash is a temporary of an ended
// process like any other.
struct FuzzFolder {
    std::string path = CreateUniqueFolder(TemporaryFolder(), "fuzz-ini");
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// `input` cut at its first three NULs: up to four parts.
std::vector<std::string_view> Parts(std::string_view input) {
    std::vector<std::string_view> parts;
    for (std::size_t nul = input.find('\0'); parts.size() < 3 && nul != std::string_view::npos;
         nul = input.find('\0')) {
        parts.push_back(input.substr(0, nul));
        input.remove_prefix(nul + 1);
    }
    parts.push_back(input);
    return parts;
}

// Keys to look at besides the one written: the part before "=" of every line, in the section
// whose header came last. Only what they read matters, so a rough pick will do.
std::vector<std::pair<std::string, std::string>> Probes(std::string_view content) {
    std::vector<std::pair<std::string, std::string>> probes;
    std::string section;
    constexpr std::size_t kMostProbes = 64;
    while (!content.empty() && probes.size() < kMostProbes) {
        const std::size_t end = std::min(content.find('\n'), content.size());
        const std::string_view line = TrimSpace(content.substr(0, end));
        content.remove_prefix(std::min(end + 1, content.size()));
        if (!line.empty() && line.front() == '[') {
            section = TrimSpace(line.substr(1, line.find(']') - 1));
        } else if (line.find('=') != std::string_view::npos) {
            probes.emplace_back(section, TrimSpace(line.substr(0, line.find('='))));
        }
    }
    return probes;
}

// What a value written reads back as: on one line, without white space around it, cut.
std::string AsRead(std::string_view value) {
    std::string line(value);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return std::string(TrimSpace(line).substr(0, kMaxProfileValue));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzFolder folder;
    Check(!folder.path.empty());
    const std::string file = folder.path + "/settings.ini";
    std::vector<std::string_view> parts = Parts({reinterpret_cast<const char*>(data), size});
    parts.resize(std::max<std::size_t>(parts.size(), 3));
    const std::string_view content = parts[0];
    const std::string section(parts[1]);
    const std::string key(parts[2]);
    const std::optional<std::string_view> value =
        parts.size() == 4 ? std::optional(parts[3]) : std::nullopt;

    std::filesystem::remove(file);
    if (!content.empty()) {
        UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        Check(fd && WriteAll(fd.Get(), content));
    }
    const std::optional<std::string> before = ReadWholeFile(file);
    std::vector<std::pair<std::string, std::string>> probes = Probes(content);
    std::vector<std::optional<std::string>> probed;
    for (const auto& [s, k] : probes) {
        probed.push_back(ReadProfileValue(file, s, k));
    }

    if (ProfileNameProblem(section, key)) {
        Check(!WriteProfileString(file, section, key, value));
        Check(ReadWholeFile(file) == before);
        return 0;
    }
    Check(WriteProfileString(file, section, key, value));
    if (value) {
        Check(ReadProfileValue(file, section, key) == AsRead(*value));
        const std::optional<std::string> written = ReadWholeFile(file);
        Check(WriteProfileString(file, section, key, value));
        Check(ReadWholeFile(file) == written);
    } else {
        // Each deletion takes one line of the key, so as many as the file has lines end it.
        for (std::size_t lines = 0; ReadProfileValue(file, section, key); ++lines) {
            Check(lines <= content.size());
            Check(WriteProfileString(file, section, key, std::nullopt));
        }
    }
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const auto& [s, k] = probes[i];
        if (!EqualsNoCase(s, section) || !EqualsNoCase(k, key)) {
            Check(ReadProfileValue(file, s, k) == probed[i]);
        }
    }
    return 0;
}
