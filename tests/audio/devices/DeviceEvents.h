// What the player and the recorder tell their owner, and whether it all came on the owner's thread.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/LSoundRecorder.h"

struct DeviceEvents : LSoundPlayerNotify, LSoundRecorderNotify {
    void OnPlayerPlaying(std::uint32_t) override { Add(log, "playing"); }
    void OnPlayerStopped(std::uint32_t) override { Add(log, "stopped"); }
    void OnPlayerScrubbing(std::uint32_t) override { Add(log, "scrubbing"); }
    void OnPlayerPaused(std::uint32_t) override { Add(log, "paused"); }
    void OnPlayerPosition(std::uint32_t, std::int32_t at) override { Position(at); }
    void OnPlayerLevels(const LLevelReport& report, std::uint32_t) override {
        Add(levels, report.Single());
    }
    void OnRecorderWriting(std::uint32_t) override { Add(log, "writing"); }
    void OnRecorderWaiting(std::uint32_t) override { Add(log, "waiting"); }
    void OnRecorderStopped(std::uint32_t) override { Add(log, "stopped"); }
    void OnRecorderPosition(std::uint32_t, std::int32_t at) override { Position(at); }
    void OnRecorderLevels(const LLevelReport& report, std::uint32_t) override {
        Add(levels, report.Single());
    }

    template <class T, class V>
    void Add(std::vector<T>& to, V value) {
        to.push_back(value);
        onOwnerThread = onOwnerThread && std::this_thread::get_id() == owner;
    }
    void Position(std::int32_t at) {
        Add(positions, at);
        if (onPosition) {
            onPosition(at);
        }
    }

    std::thread::id owner = std::this_thread::get_id();
    bool onOwnerThread = true;
    std::vector<std::string> log;
    std::vector<std::int32_t> positions;
    std::vector<int> levels;
    std::function<void(std::int32_t at)> onPosition;
};
