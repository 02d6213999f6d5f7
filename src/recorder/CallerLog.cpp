// Daily caller log files.
#include "recorder/CallerLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/AsciiText.h"
#include "base/PosixFile.h"
#include "base/UniqueFd.h"

namespace {

// Another writer holds the lock only for one short append; give up after about a quarter of a
// second rather than hang the caller, losing the entry as an unwritable log does.
bool LockWithin(int fd) {
    using namespace std::chrono_literals;
    for (int attempt = 0; attempt < 50; ++attempt) {
        LockTry result = TryLockExclusive(fd);
        if (result != LockTry::Busy) {
            return result == LockTry::Taken;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

std::string LogHeader(const std::tm& local) {
    char first[64];
    std::snprintf(first, sizeof first, "Caller Log for 20%.2d-%.2d-%.2d\r\n", local.tm_year % 100,
                  local.tm_mon + 1, local.tm_mday);
    return std::string(first) + "Created by Quillon Recorder\r\n" +
           "Quillon Recorder is made by Ostrel\r\n";
}

constexpr std::string_view kLogFilePrefix = "Log ";
constexpr std::string_view kLogFileSuffix = ".txt";

}  // namespace

std::string LogFilePath(const std::string& logsFolder, const std::tm& local) {
    char date[32];
    std::snprintf(date, sizeof date, "20%.2d-%.2d-%.2d", local.tm_year % 100, local.tm_mon + 1,
                  local.tm_mday);
    return logsFolder + std::string(kLogFilePrefix) + date + std::string(kLogFileSuffix);
}

bool IsLogFileName(std::string_view name) {
    return name.size() >= kLogFilePrefix.size() + kLogFileSuffix.size() &&
           name.starts_with(kLogFilePrefix) && name.ends_with(kLogFileSuffix);
}

bool AppendLogEntry(const std::string& logsFolder, std::string_view text, std::time_t now) {
    // One time value for both the entry's time and the file's day.
    std::tm local{};
    if (!::localtime_r(&now, &local)) {
        return false;
    }
    UniqueFd fd(::open(LogFilePath(logsFolder, local).c_str(),
                       O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (!fd || !LockWithin(fd.Get())) {
        return false;
    }
    // Whoever finds the file empty under the lock writes the header, so the header comes first
    // even when two writers create the day's file at once.
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return false;
    }
    std::string entry = st.st_size == 0 ? LogHeader(local) : std::string();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\r\n%.2d:%.2d:%.2d ", local.tm_hour, local.tm_min,
                  local.tm_sec);
    entry += prefix;
    entry += ReplaceControlChars(text, ' ');
    return WriteAll(fd.Get(), entry);
}
