// Typed reads and writes of the settings file. Every read formats its default with the value's
// own encoding and parses whatever the file gives, so a missing key reads as the default through
// the same parser. Nothing reports an error: reads fall back to the default, writes fail silently.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "base/IniFile.h"  // ParseIntValue: numbers are read as the profile files read them

// Encodings of the value types.
bool ParseBoolValue(std::string_view text);          // "true" in any letter case, else false
std::string FormatBoolValue(bool value);             // "true" / "false"
std::string FormatDBValue(std::int8_t db);           // "-6dB", or "--dB" at -127 and below
std::string FormatTimeOfDay(std::uint32_t seconds);  // "hh:mm:ss"
std::uint32_t ParseTimeOfDay(std::string_view text);
std::string FormatDateTime(std::time_t time);  // local "dd/mm/yy-hh:mm:ss"; time zero is empty
std::time_t ParseDateTime(std::string_view text);

std::int32_t ReadIntSetting(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t def);
void WriteIntSetting(const std::string& file, std::string_view section, std::string_view key,
                     std::int32_t value);
bool ReadBoolSetting(const std::string& file, std::string_view section, std::string_view key,
                     bool def);
void WriteBoolSetting(const std::string& file, std::string_view section, std::string_view key,
                      bool value);
std::int8_t ReadDBSetting(const std::string& file, std::string_view section, std::string_view key,
                          std::int8_t def);
void WriteDBSetting(const std::string& file, std::string_view section, std::string_view key,
                    std::int8_t value);
std::int32_t ReadDurationSetting(const std::string& file, std::string_view section,
                                 std::string_view key, std::int32_t def);
void WriteDurationSetting(const std::string& file, std::string_view section, std::string_view key,
                          std::int32_t value);
std::uint32_t ReadTimeOfDaySetting(const std::string& file, std::string_view section,
                                   std::string_view key, std::uint32_t def);
void WriteTimeOfDaySetting(const std::string& file, std::string_view section, std::string_view key,
                           std::uint32_t seconds);
std::time_t ReadDateTimeSetting(const std::string& file, std::string_view section,
                                std::string_view key, std::time_t def);
void WriteDateTimeSetting(const std::string& file, std::string_view section, std::string_view key,
                          std::time_t value);
std::string ReadTextSetting(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view def);
// Writes `value`; no value deletes the key.
void WriteTextSetting(const std::string& file, std::string_view section, std::string_view key,
                      std::optional<std::string_view> value);

// Lists stored as numbered keys: the count goes under prefix + "count".
void WriteCountSetting(const std::string& file, std::string_view section, std::string_view prefix,
                       std::int32_t count);
// Moves the text under prefix + from + suffix to prefix + to + suffix.
void MoveListEntry(const std::string& file, std::string_view section, std::string_view prefix,
                   int from, int to, std::string_view suffix);

// `path` with its extension replaced by `extension` (with or without the dot); an empty path
// gives an empty result.
std::string ChangeExtension(std::string_view path, std::string_view extension);
