// Settings reads and writes as the recorder makes them at each call event, and the time text.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/IniFile.h"
#include "settings/SettingsKeys.h"
#include "settings/TimeText.h"

namespace {

// A settings file as a user's would be after a while: all keys plus the dialogs' sections.
class SettingsFile {
public:
    SettingsFile() {
        std::string pattern = "/tmp/quillon-bench-XXXXXX";
        folder_ = ::mkdtemp(pattern.data());
        file_ = folder_ + "/settings.ini";
        for (const char* section : {"player", "recorder"}) {
            for (int i = 0; i < 20; ++i) {
                WriteProfileString(file_, section, "option" + std::to_string(i), "value");
            }
        }
        WriteSetting(file_, settings::kDeleteFileDays, 30);
        WriteSetting(file_, settings::kRecordToneInterval, 150000);
    }
    ~SettingsFile() { std::filesystem::remove_all(folder_); }
    const std::string& Path() const { return file_; }

private:
    std::string folder_;
    std::string file_;
};

void BM_ReadSetting(benchmark::State& state) {
    SettingsFile file;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadSetting(file.Path(), settings::kRecordToneInterval));
    }
}
BENCHMARK(BM_ReadSetting);

void BM_WriteSetting(benchmark::State& state) {
    SettingsFile file;
    std::int32_t holdNo = 0;
    for (auto _ : state) {
        WriteSetting(file.Path(), settings::kHoldNo, holdNo = (holdNo + 1) % 3);
    }
}
BENCHMARK(BM_WriteSetting);

void BM_FormatAndParseTime(benchmark::State& state) {
    std::int32_t t = 37235000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t = ParseTime(FormatTime4(t)));
    }
}
BENCHMARK(BM_FormatAndParseTime);

}  // namespace
