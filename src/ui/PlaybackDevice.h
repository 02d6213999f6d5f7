// Playing a file on the computer's sound card as the settings choose it: the playback device
// and volume of the General page.
#pragma once

#include <string>

#include "audio/devices/LSoundPlayer.h"

// Sets the "playdevice" device to the "playvolume" level and has `player` play `path` there.
// A file that cannot be opened plays nothing and counts as started; false only when the
// device refuses to play.
bool PlayOnPlaybackDevice(LSoundPlayer& player, const std::string& settingsFile,
                          const std::string& path);
