// Temporary files and folders named by one rule, and the sweep of those left behind.
#include "base/TempFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/PosixFile.h"

namespace {

constexpr std::string_view kPrefix = ".quillon-";
// mkostemp and mkdtemp fill these in.
constexpr std::string_view kUnique = "XXXXXX";

// The process that made a temporary: its id and its start time in clock ticks since boot, which
// tells it from a later process given the same id. A start time of 0 is unknown.
struct ProcessMark {
    pid_t pid = 0;
    std::uint64_t start = 0;
    bool operator==(const ProcessMark&) const = default;
};

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Field 22 of /proc/PID/stat; the fields are counted after the name, which may hold spaces and
// parentheses itself.
std::optional<std::uint64_t> StartTime(pid_t pid) {
    std::optional<std::string> stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    std::size_t nameEnd = stat ? stat->rfind(')') : std::string::npos;
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::string_view fields = std::string_view(*stat).substr(nameEnd + 1);
    constexpr int kStartField = 22;
    for (int field = 3;; ++field) {
        fields.remove_prefix(std::min(fields.find_first_not_of(' '), fields.size()));
        std::string_view word = fields.substr(0, fields.find(' '));
        if (word.empty()) {
            return std::nullopt;
        }
        if (field == kStartField) {
            return ParseNumber(word);
        }
        fields.remove_prefix(word.size());
    }
}

ProcessMark OwnMark() {
    const pid_t pid = ::getpid();
    return {pid, StartTime(pid).value_or(0)};
}

std::string Pattern(const std::string& folder, std::string_view tag) {
    const ProcessMark own = OwnMark();
    return folder + "/" + std::string(kPrefix) + std::string(tag) + "-" + std::to_string(own.pid) +
           "-" + std::to_string(own.start) + "-" + std::string(kUnique);
}

// The maker of a temporary named by the rule, read from the end of the name since the tag may
// hold anything; nothing for every other name.
std::optional<ProcessMark> MarkOf(std::string_view name) {
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        return std::nullopt;
    }
    name.remove_prefix(kPrefix.size());
    std::string_view parts[3];  // unique characters, start time, process id
    for (std::string_view& part : parts) {
        const std::size_t dash = name.rfind('-');
        if (dash == std::string_view::npos) {
            return std::nullopt;
        }
        part = name.substr(dash + 1);
        name = name.substr(0, dash);
    }
    const auto start = ParseNumber(parts[1]);
    const auto pid = ParseNumber(parts[2]);
    const bool unique = parts[0].size() == kUnique.size() &&
                        parts[0].find_first_not_of(
                            "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                            "abcdefghijklmnopqrstuvwxyz") == std::string_view::npos;
    if (name.empty() || !unique || !start || !pid || *pid == 0 || *pid > INT32_MAX) {
        return std::nullopt;
    }
    return ProcessMark{static_cast<pid_t>(*pid), *start};
}

bool Ended(const ProcessMark& mark) {
    if (::kill(mark.pid, 0) != 0 && errno == ESRCH) {
        return true;
    }
    // When either start time is unknown the process may well be the maker: it stays.
    const std::optional<std::uint64_t> start = StartTime(mark.pid);
    return start && mark.start != 0 && *start != mark.start;
}

}  // namespace

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return (folder != nullptr && folder[0] != '\0') ? folder : "/tmp";
}

UniqueFile CreateUniqueFile(const std::string& folder, std::string_view tag) {
    UniqueFile file;
    file.name = Pattern(folder, tag);
    // mkostemp creates the file new, with mode 0600.
    file.fd.Reset(::mkostemp(file.name.data(), O_CLOEXEC));
    if (!file.fd) {
        file.name.clear();
    }
    return file;
}

ScratchFolder::ScratchFolder(std::string_view tag)
    : path(CreateUniqueFolder(TemporaryFolder(), tag)) {}

ScratchFolder::~ScratchFolder() {
    if (!path.empty()) {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
}

std::string CreateUniqueFolder(const std::string& folder, std::string_view tag) {
    std::string name = Pattern(folder, tag);
    // mkdtemp creates the folder with mode 0700.
    return ::mkdtemp(name.data()) != nullptr ? name : std::string();
}

void RemoveTemporaries(const std::string& folder, TempSweep which) {
    std::error_code error;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    const ProcessMark own = OwnMark();
    for (const std::string& name : names) {
        const std::optional<ProcessMark> mark = MarkOf(name);
        if (!mark || !(Ended(*mark) || (which == TempSweep::EndedAndOwn && *mark == own))) {
            continue;
        }
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || st.st_uid != ::geteuid()) {
            continue;
        }
        if (S_ISREG(st.st_mode)) {
            ::unlink(path.c_str());
        } else if (S_ISDIR(st.st_mode)) {
            std::filesystem::remove_all(path, error);
        }
    }
}
