// Choosing the line device at start-up: the stored "device" setting, or else the first voice
// capable device, which is then stored.
#pragma once

#include <cstdint>
#include <string>

struct LineDeviceChoice {
    std::uint32_t device;
    // False when no device is voice capable: the caller warns and opens `device` anyway.
    bool voiceCapable;
};

LineDeviceChoice ChooseLineDevice(const std::string& settingsFile);
