// The wave device lists and opening a device by its id: first the sound card devices that ALSA
// offers (its "default" device first, so id 0 plays through the desktop's sound server), then
// the virtual devices that line providers and tests register.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveIn.h"
#include "audio/devices/WaveOut.h"

// Device names by id (the index), as settings and dialogs show them.
std::vector<std::string> WaveDeviceNames(WaveDirection direction);

// The ALSA PCM name behind device `id`; empty for virtual and unknown devices.
std::string WaveDevicePcmName(WaveDirection direction, int id);

// Keeps a virtual device in both lists while it lives.
class WaveDeviceRegistration {
public:
    WaveDeviceRegistration() = default;
    explicit WaveDeviceRegistration(std::shared_ptr<VirtualWaveDevice> device);
    ~WaveDeviceRegistration();
    WaveDeviceRegistration(WaveDeviceRegistration&& other) noexcept;
    WaveDeviceRegistration& operator=(WaveDeviceRegistration&& other) noexcept;

    // The device's ids in the output and input lists; -1 when not registered.
    int OutputId() const;
    int InputId() const;

private:
    void Release();
    int slot = -1;
};

// Opens device `id`. A mapped open may convert the format (ALSA's resampling); the players and
// recorders try a plain open first and a mapped one second. Empty when the device is missing or
// refuses the format.
std::unique_ptr<WaveOut> OpenWaveOut(int id, const WavePcmFormat& format, bool mapped);
std::unique_ptr<WaveIn> OpenWaveIn(int id, const WavePcmFormat& format, bool mapped,
                                   WaveIn::DataCallback callback);
