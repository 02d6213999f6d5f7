// Typed reads and writes of the settings file.
#include "settings/SettingsStore.h"

#include <algorithm>
#include <cstdio>

#include "base/AsciiText.h"
#include "base/IniFile.h"
#include "settings/TimeText.h"

bool ParseBoolValue(std::string_view text) {
    return EqualsNoCase(text, "true");
}

std::string FormatBoolValue(bool value) {
    return value ? "true" : "false";
}

std::string FormatDBValue(std::int8_t db) {
    return db > kSilentDB ? std::to_string(db) + "dB" : "--dB";
}

std::string FormatTimeOfDay(std::uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2u:%.2u:%.2u", seconds / 3600, (seconds / 60) % 60,
                  seconds % 60);
    return text;
}

std::uint32_t ParseTimeOfDay(std::string_view text) {
    std::uint32_t fields[3] = {0, 0, 0};
    int field = 0;
    for (char c : text) {
        if (c == ':') {
            field = std::min(field + 1, 2);
        } else if (c >= '0' && c <= '9') {
            fields[field] = std::min<std::uint32_t>(fields[field] * 10 + (c - '0'), 1000000);
        }
    }
    return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

std::string FormatDateTime(std::time_t time) {
    std::tm local{};
    if (time == 0 || !::localtime_r(&time, &local)) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2d/%.2d/%.2d-%.2d:%.2d:%.2d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::time_t ParseDateTime(std::string_view text) {
    int numbers[6];
    int count = 0;
    bool inNumber = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (!inNumber) {
                if (count == 6) {
                    break;
                }
                numbers[count++] = 0;
                inNumber = true;
            }
            numbers[count - 1] = std::min(numbers[count - 1] * 10 + (c - '0'), 100000);
        } else {
            inNumber = false;
        }
    }
    if (count < 6) {
        return 0;
    }
    std::tm local{};
    local.tm_mday = numbers[0];
    local.tm_mon = numbers[1] - 1;
    // Two-digit years: 70-99 are the 1900s, the rest this century.
    int year = numbers[2] % 100;
    local.tm_year = year < 70 ? year + 100 : year;
    local.tm_hour = numbers[3];
    local.tm_min = numbers[4];
    local.tm_sec = numbers[5];
    local.tm_isdst = -1;
    std::time_t time = std::mktime(&local);
    return time == static_cast<std::time_t>(-1) ? 0 : time;
}

std::int32_t ReadIntSetting(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t def) {
    return ReadProfileInt(file, section, key, def);
}

void WriteIntSetting(const std::string& file, std::string_view section, std::string_view key,
                     std::int32_t value) {
    WriteProfileString(file, section, key, std::to_string(value));
}

bool ReadBoolSetting(const std::string& file, std::string_view section, std::string_view key,
                     bool def) {
    return ParseBoolValue(ReadProfileString(file, section, key, def ? "true" : ""));
}

void WriteBoolSetting(const std::string& file, std::string_view section, std::string_view key,
                      bool value) {
    WriteProfileString(file, section, key, FormatBoolValue(value));
}

std::int8_t ReadDBSetting(const std::string& file, std::string_view section, std::string_view key,
                          std::int8_t def) {
    return ParseDecibels(ReadProfileString(file, section, key, FormatDBValue(def)));
}

void WriteDBSetting(const std::string& file, std::string_view section, std::string_view key,
                    std::int8_t value) {
    WriteProfileString(file, section, key, FormatDBValue(value));
}

std::int32_t ReadDurationSetting(const std::string& file, std::string_view section,
                                 std::string_view key, std::int32_t def) {
    return ParseTime(ReadProfileString(file, section, key, FormatTime4(def)));
}

void WriteDurationSetting(const std::string& file, std::string_view section, std::string_view key,
                          std::int32_t value) {
    WriteProfileString(file, section, key, FormatTime4(value));
}

std::uint32_t ReadTimeOfDaySetting(const std::string& file, std::string_view section,
                                   std::string_view key, std::uint32_t def) {
    return ParseTimeOfDay(ReadProfileString(file, section, key, FormatTimeOfDay(def)));
}

void WriteTimeOfDaySetting(const std::string& file, std::string_view section, std::string_view key,
                           std::uint32_t seconds) {
    WriteProfileString(file, section, key, FormatTimeOfDay(seconds));
}

std::time_t ReadDateTimeSetting(const std::string& file, std::string_view section,
                                std::string_view key, std::time_t def) {
    return ParseDateTime(ReadProfileString(file, section, key, FormatDateTime(def)));
}

void WriteDateTimeSetting(const std::string& file, std::string_view section, std::string_view key,
                          std::time_t value) {
    WriteProfileString(file, section, key, FormatDateTime(value));
}

std::string ReadTextSetting(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view def) {
    return ReadProfileString(file, section, key, def);
}

void WriteTextSetting(const std::string& file, std::string_view section, std::string_view key,
                      std::optional<std::string_view> value) {
    WriteProfileString(file, section, key, value);
}

void WriteCountSetting(const std::string& file, std::string_view section, std::string_view prefix,
                       std::int32_t count) {
    WriteIntSetting(file, section, std::string(prefix) + "count", count);
}

void MoveListEntry(const std::string& file, std::string_view section, std::string_view prefix,
                   int from, int to, std::string_view suffix) {
    auto entryKey = [&](int index) {
        return std::string(prefix) + std::to_string(index) + std::string(suffix);
    };
    std::string text = ReadProfileString(file, section, entryKey(from), "");
    WriteProfileString(file, section, entryKey(from), std::nullopt);
    WriteProfileString(file, section, entryKey(to), text);
}

std::string ChangeExtension(std::string_view path, std::string_view extension) {
    if (path.empty()) {
        return "";
    }
    std::size_t nameStart = path.find_last_of('/');
    nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    std::size_t dot = path.find_last_of('.');
    std::string out(
        path.substr(0, (dot != std::string_view::npos && dot >= nameStart) ? dot : path.size()));
    if (!extension.empty() && extension.front() != '.') {
        out += '.';
    }
    out += extension;
    return out;
}
