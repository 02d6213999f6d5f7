// Sound card devices through ALSA: the PCM devices a user would pick, and opening one for
// playing or recording with a thread of its own that moves the queued buffers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/devices/WaveIn.h"
#include "audio/devices/WaveOut.h"

struct AlsaDeviceInfo {
    std::string pcmName;      // what snd_pcm_open takes
    std::string description;  // what a user is shown
};

// "default" first, then the PCM devices ALSA's name hints report for the direction, without
// the plug-ins that only make sense inside other configurations.
std::vector<AlsaDeviceInfo> ListAlsaDevices(WaveDirection direction);

// Empty when the device cannot be opened with the format; `mapped` lets ALSA resample.
std::unique_ptr<WaveOut> OpenAlsaWaveOut(const std::string& pcmName, const WavePcmFormat& format,
                                         bool mapped);
std::unique_ptr<WaveIn> OpenAlsaWaveIn(const std::string& pcmName, const WavePcmFormat& format,
                                       bool mapped, WaveIn::DataCallback callback);
