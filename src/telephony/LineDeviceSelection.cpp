// Choosing the line device at start-up.
#include "telephony/LineDeviceSelection.h"

#include "base/AsciiText.h"
#include "settings/SettingsKeys.h"
#include "telephony/LTapiLine.h"
#include "telephony/providers/modem/ModemLineProvider.h"

LineDeviceChoice ChooseLineDevice(const std::string& settingsFile) {
    auto device = static_cast<std::uint32_t>(ReadSetting(settingsFile, settings::kDevice));
    if (LTapiLine::IsVoiceLine(device)) {
        return {device, true};
    }
    LTapiLine::Initialize();
    for (std::uint32_t candidate = 0; candidate < LTapiLine::NumDevices(); ++candidate) {
        if (LTapiLine::IsVoiceLine(candidate)) {
            WriteSetting(settingsFile, settings::kDevice, static_cast<std::int32_t>(candidate));
            return {candidate, true};
        }
    }
    return {device, false};
}

bool IsLinePort(std::string_view line) {
    return line.find('/') != std::string_view::npos;
}

void UseModemPort(const std::string& settingsFile, std::string_view line) {
    std::string port =
        IsLinePort(line) ? std::string(line) : ReadSetting(settingsFile, settings::kModemPath);
    SetModemPorts(port.empty() ? std::vector<std::string>{} : std::vector<std::string>{port});
}

LineOptionChoice ApplyLineOption(const std::string& settingsFile, std::string_view line) {
    UseModemPort(settingsFile, line);
    if (line.empty() || IsLinePort(line)) {
        return {};
    }
    LTapiLine::Initialize();
    std::string names;
    for (std::uint32_t device = 0; device < LTapiLine::NumDevices(); ++device) {
        std::string name = LTapiLine::GetLineName(device);
        if (EqualsNoCase(name, line)) {
            return {device, {}};
        }
        names += (names.empty() ? "\"" : ", \"") + name + "\"";
    }
    const std::string known =
        names.empty() ? "there are no line devices; quillon-tool lines shows what was found"
                      : "the line devices: " + names + "; quillon-tool lines lists them";
    return {std::nullopt, "no line device is called \"" + std::string(line) + "\" (" + known + ")"};
}
