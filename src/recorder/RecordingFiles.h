// Recording file names (date, time and caller ID) and the auto-delete of old recordings.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// recordingsFolder + "yyyy-mm-dd hh-mm-ss[ number][ name].wav" for the local time `local`.
// "/", control characters and each byte of the caller ID that is not part of valid UTF-8 become
// "_": they would lead out of the folder or make unreadable names.
std::string RecordingPath(const std::string& recordingsFolder, const std::tm& local,
                          std::string_view callerNumber, std::string_view callerName);

// `path` when no file has that name yet; otherwise the first of "name (2).wav", "name (3).wav",
// ... that is free, so a second recording started within the same second with the same caller
// ID never empties the first.
std::string UniqueRecordingPath(const std::string& path);

// A time as the upper 32 bits of a 100 ns count since 1601-01-01 UTC (units of about 429.5 s),
// the granularity at which recordings age.
std::uint32_t FileTimeHigh(std::int64_t unixSeconds, long nanoseconds = 0);

// The current time in those units.
std::uint32_t CurrentFileTimeHigh();

// Retention in those units: 202 a day (1.0042 days), at least one day.
std::uint64_t RetentionUnits(std::int32_t days);

// The "deletefiledays" setting (30 when missing).
std::int32_t ReadDeleteFileDays(const std::string& settingsFile);

// The file names of the "*.wav" regular files (any letter case) of the folder itself, sorted byte
// by byte, so in order of recording. Names are kept byte for byte, also those that are not
// valid UTF-8, so that each still names its file.
std::vector<std::string> ListRecordings(const std::string& recordingsFolder);

// One auto-delete pass over the "*.wav" regular files of the folder itself (sub-folders, links
// and other files are never touched): deletes those last written more than `days` days before
// `nowHigh`, or only lists them when `dryRun`. Returns the paths deleted (or that would be);
// a file that cannot be deleted is skipped and left for the next pass.
std::vector<std::string> DeleteOldRecordings(const std::string& recordingsFolder, std::int32_t days,
                                             std::uint32_t nowHigh, bool dryRun = false);
