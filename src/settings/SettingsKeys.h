// The keys of the "settings" section with their defaults: the one place every reader takes them
// from, so a key's name and default cannot drift apart between its readers.
#pragma once

#include <cstdint>
#include <string>

#include "settings/SettingsStore.h"

inline constexpr char kSettingsSection[] = "settings";

struct IntSetting {
    const char* name;
    std::int32_t def;
};
struct BoolSetting {
    const char* name;
    bool def;
};
struct DBSetting {
    const char* name;
    std::int8_t def;
};
struct DurationSetting {
    const char* name;
    std::int32_t def;  // 1/10,000 s
};
struct TextSetting {
    const char* name;
    const char* def;
};

namespace settings {

inline constexpr IntSetting kDevice{"device", 0};
inline constexpr IntSetting kPlayDevice{"playdevice", 0};
inline constexpr DBSetting kPlayVolume{"playvolume", 0};
inline constexpr BoolSetting kCidFlash{"cidflash", true};
inline constexpr BoolSetting kShowTip{"showtip", true};
inline constexpr IntSetting kTipNo{"tipno", 0};
inline constexpr BoolSetting kStartPrompt{"startprompt", true};
inline constexpr BoolSetting kEndPrompt{"endprompt", true};
inline constexpr BoolSetting kRecordTone{"recordtone", true};
inline constexpr DurationSetting kRecordToneInterval{"recordtoneinterval", 150000};
// Shortest recording tone interval used; shorter settings are raised to it.
inline constexpr std::int32_t kMinRecordToneInterval = 20000;
inline constexpr IntSetting kDeleteFileDays{"deletefiledays", 30};
// What the Record page shows, and writes back, for a missing "deletefiledays".
inline constexpr std::int32_t kDeleteFileDaysShown = 365;
inline constexpr IntSetting kHoldNo{"holdno", 0};
inline constexpr DBSetting kAudioGain{"audiogain", 0};
inline constexpr IntSetting kAudioHighPass{"audiohighpass", 0};
inline constexpr DBSetting kAudioCompressorThres{"audiocompressorthres", 0};
inline constexpr BoolSetting kRecordAlc{"recordalc", true};
inline constexpr TextSetting kWavImportDir{"wavimportdir", ""};
inline constexpr IntSetting kPreferredSpeaker{"preferredspeaker", 0};
inline constexpr TextSetting kSaveAsPath{"saveaspath", ""};
inline constexpr TextSetting kSendEmail{"sendemail", ""};
// The program that takes mail through the sendmail interface; empty: the usual places.
inline constexpr TextSetting kSendMailPath{"sendmailpath", ""};
// The serial port of the voice modem (/dev/ttyACM0); empty: the modems are found.
inline constexpr TextSetting kModemPath{"modempath", ""};

}  // namespace settings

// Reads and writes of a "settings" key through its table entry.
inline std::int32_t ReadSetting(const std::string& file, IntSetting key) {
    return ReadIntSetting(file, kSettingsSection, key.name, key.def);
}
inline bool ReadSetting(const std::string& file, BoolSetting key) {
    return ReadBoolSetting(file, kSettingsSection, key.name, key.def);
}
inline std::int8_t ReadSetting(const std::string& file, DBSetting key) {
    return ReadDBSetting(file, kSettingsSection, key.name, key.def);
}
inline std::int32_t ReadSetting(const std::string& file, DurationSetting key) {
    return ReadDurationSetting(file, kSettingsSection, key.name, key.def);
}
inline std::string ReadSetting(const std::string& file, TextSetting key) {
    return ReadTextSetting(file, kSettingsSection, key.name, key.def);
}
inline void WriteSetting(const std::string& file, IntSetting key, std::int32_t value) {
    WriteIntSetting(file, kSettingsSection, key.name, value);
}
inline void WriteSetting(const std::string& file, BoolSetting key, bool value) {
    WriteBoolSetting(file, kSettingsSection, key.name, value);
}
inline void WriteSetting(const std::string& file, DBSetting key, std::int8_t value) {
    WriteDBSetting(file, kSettingsSection, key.name, value);
}
inline void WriteSetting(const std::string& file, DurationSetting key, std::int32_t value) {
    WriteDurationSetting(file, kSettingsSection, key.name, value);
}
inline void WriteSetting(const std::string& file, TextSetting key, std::string_view value) {
    WriteTextSetting(file, kSettingsSection, key.name, value);
}
