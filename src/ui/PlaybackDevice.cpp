// Playing on the playback device of the settings.
#include "ui/PlaybackDevice.h"

#include "audio/devices/Mixer.h"
#include "audio/files/WaveReaders.h"
#include "settings/SettingsKeys.h"

bool PlayOnPlaybackDevice(LSoundPlayer& player, const std::string& settingsFile,
                          const std::string& path) {
    // A device number that does not fit the player's id cannot name a device; -1 names none.
    std::int32_t setting = ReadSetting(settingsFile, settings::kPlayDevice);
    auto device = static_cast<std::int8_t>(setting >= -1 && setting <= 127 ? setting : -1);
    SetPlayVolume(device, ReadSetting(settingsFile, settings::kPlayVolume), 0);
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source) {
        return true;
    }
    player.device = device;
    return player.Start(source, 0);
}
