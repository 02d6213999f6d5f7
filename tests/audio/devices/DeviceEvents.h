// What the player and the recorder tell their owner, and whether it all came on the owner's thread.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/LSoundRecorder.h"

struct DeviceEvents : LSoundPlayerNotify, LSoundRecorderNotify {
    void OnPlayerPlaying(std::uint32_t) override { Log("playing"); }
    void OnPlayerStopped(std::uint32_t) override { Log("stopped"); }
    void OnPlayerScrubbing(std::uint32_t) override { Log("scrubbing"); }
    void OnPlayerPaused(std::uint32_t) override { Log("paused"); }
    void OnPlayerPosition(std::uint32_t, std::int32_t at) override { Position(at); }
    void OnPlayerLevels(const LLevelReport& report, std::uint32_t) override { Level(report); }
    void OnRecorderWriting(std::uint32_t) override { Log("writing"); }
    void OnRecorderWaiting(std::uint32_t) override { Log("waiting"); }
    void OnRecorderStopped(std::uint32_t) override { Log("stopped"); }
    void OnRecorderPosition(std::uint32_t, std::int32_t at) override { Position(at); }
    void OnRecorderLevels(const LLevelReport& report, std::uint32_t) override { Level(report); }

    void Log(const char* what) {
        log.push_back(what);
        Check();
    }
    void Position(std::int32_t at) {
        positions.push_back(at);
        Check();
        if (onPosition) {
            onPosition(at);
        }
    }
    void Level(const LLevelReport& report) {
        levels.push_back(report.Single());
        Check();
    }
    void Check() { onOwnerThread = onOwnerThread && std::this_thread::get_id() == owner; }

    std::thread::id owner = std::this_thread::get_id();
    bool onOwnerThread = true;
    std::vector<std::string> log;
    std::vector<std::int32_t> positions;
    std::function<void(std::int32_t at)> onPosition;
    std::vector<int> levels;
};
