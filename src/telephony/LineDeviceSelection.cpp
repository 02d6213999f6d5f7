// Choosing the line device at start-up.
#include "telephony/LineDeviceSelection.h"

#include "settings/SettingsKeys.h"
#include "telephony/LTapiLine.h"

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
