// Recording file names and the auto-delete of old recordings.
#include "recorder/RecordingFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "base/AsciiText.h"
#include "settings/SettingsKeys.h"

namespace {

// The length of the valid UTF-8 sequence that `text` starts with; 0 when it starts with none
// (a stray byte, a cut sequence, an overlong form, a surrogate or a code beyond U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 4;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string FileNamePart(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        out.append(length == 0 ? "_" : text.substr(i, length));
        i += std::max<std::size_t>(length, 1);
    }
    out = ReplaceControlChars(out, '_');
    std::replace(out.begin(), out.end(), '/', '_');
    return out;
}

// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeEpochOffset = 11644473600;

}  // namespace

std::string RecordingPath(const std::string& recordingsFolder, const std::tm& local,
                          std::string_view callerNumber, std::string_view callerName) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%.4d-%.2d-%.2d %.2d-%.2d-%.2d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string path = recordingsFolder + stamp;
    if (!callerNumber.empty()) {
        path += " " + FileNamePart(callerNumber);
    }
    if (!callerName.empty()) {
        path += " " + FileNamePart(callerName);
    }
    return path + ".wav";
}

std::string UniqueRecordingPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return path;
    }
    std::string stem = path.substr(0, path.size() - (EndsWithNoCase(path, ".wav") ? 4 : 0));
    for (int n = 2;; ++n) {
        std::string candidate = stem + " (" + std::to_string(n) + ").wav";
        if (::lstat(candidate.c_str(), &st) != 0) {
            return candidate;
        }
    }
}

std::uint32_t FileTimeHigh(std::int64_t unixSeconds, long nanoseconds) {
    std::int64_t seconds = unixSeconds + kFileTimeEpochOffset;
    if (seconds < 0) {
        return 0;
    }
    std::uint64_t ticks = static_cast<std::uint64_t>(seconds) * 10000000u +
                          static_cast<std::uint64_t>(nanoseconds / 100);
    return static_cast<std::uint32_t>(ticks >> 32);
}

std::uint32_t CurrentFileTimeHigh() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeHigh(now.tv_sec, now.tv_nsec);
}

std::uint64_t RetentionUnits(std::int32_t days) {
    return days <= 0 ? 202u : static_cast<std::uint64_t>(days) * 202u;
}

std::int32_t ReadDeleteFileDays(const std::string& settingsFile) {
    return ReadSetting(settingsFile, settings::kDeleteFileDays);
}

namespace {

// Calls `visit` with the folder's descriptor, the name and the status of each "*.wav" regular
// file of the folder itself; sub-folders, links and other files are passed over.
void ForEachRecording(
    const std::string& recordingsFolder,
    const std::function<void(int folder, const char* name, const struct stat& st)>& visit) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(recordingsFolder.c_str()), ::closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!EndsWithNoCase(entry->d_name, ".wav")) {
            continue;
        }
        // Looked at relative to the listed folder, never through a link.
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            visit(::dirfd(dir.get()), entry->d_name, st);
        }
    }
}

}  // namespace

std::vector<std::string> ListRecordings(const std::string& recordingsFolder) {
    std::vector<std::string> names;
    ForEachRecording(recordingsFolder, [&names](int, const char* name, const struct stat&) {
        names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> DeleteOldRecordings(const std::string& recordingsFolder, std::int32_t days,
                                             std::uint32_t nowHigh, bool dryRun) {
    std::vector<std::string> deleted;
    const std::uint64_t retention = RetentionUnits(days);
    ForEachRecording(recordingsFolder, [&](int folder, const char* name, const struct stat& st) {
        if (FileTimeHigh(st.st_mtim.tv_sec, st.st_mtim.tv_nsec) + retention >= nowHigh) {
            return;
        }
        if (dryRun || ::unlinkat(folder, name, 0) == 0) {
            deleted.push_back(recordingsFolder + name);
        }
    });
    return deleted;
}
