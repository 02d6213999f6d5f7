// Choosing the line device at start-up: the stored "device" setting, or else the first voice
// capable device, which is then stored; or the line a run was started with (`--line NAME|PATH`
// of the desktop program and of `quillon-tool watch`).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct LineDeviceChoice {
    std::uint32_t device;
    // False when no device is voice capable: the caller warns and opens `device` anyway.
    bool voiceCapable;
};

LineDeviceChoice ChooseLineDevice(const std::string& settingsFile);

// Whether a `--line` value is the path of a serial port (it holds a '/') rather than the name of
// a line device.
bool IsLinePort(std::string_view line);

// Tells the Modem provider the port to use: `line` when it is a port, else the "modempath"
// setting; with neither it finds the modems itself. Call before the line providers load.
void UseModemPort(const std::string& settingsFile, std::string_view line);

// What a run's `--line` value chose.
struct LineOptionChoice {
    // The line device it names (without regard to case), to be opened in place of the "device"
    // setting; nothing for a port or no value.
    std::optional<std::uint32_t> device;
    // Why it cannot be followed, naming the devices there are; empty when it can.
    std::string error;
};

// Follows `line` (empty: not given) for a run: the Modem provider's port (UseModemPort), then
// the device a name names. Call after SetActiveLineProviders and before the providers load; a
// name loads them.
LineOptionChoice ApplyLineOption(const std::string& settingsFile, std::string_view line);
