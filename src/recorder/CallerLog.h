// Daily caller log files: "Log 20yy-mm-dd.txt" in the logs folder, one entry per line.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// Appends "\r\nhh:mm:ss text" to the log of the day of `now` (local time), creating the file
// with its header first. Control characters in `text` become spaces: caller ID comes from the
// telephone network and must not forge extra lines. Returns false when the entry could not be
// written; the program's own callers ignore that, as a lost entry is not reported.
bool AppendLogEntry(const std::string& logsFolder, std::string_view text,
                    std::time_t now = std::time(nullptr));

// The log file of the day of `local`.
std::string LogFilePath(const std::string& logsFolder, const std::tm& local);

// Whether `name` (without folder) is named as a caller log is: "Log *.txt".
bool IsLogFileName(std::string_view name);
