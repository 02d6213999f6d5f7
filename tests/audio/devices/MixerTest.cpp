// Mixer access: the level-to-value mapping, and devices without a hardware mixer.
#include "audio/devices/Mixer.h"

#include <gtest/gtest.h>

#include "audio/devices/WaveDevices.h"

namespace {

TEST(MixerTest, LevelsMapToMixerValues) {
    for (auto [level, value] : {std::pair{-36, 0u}, {-35, 1424u}, {10, 65504u}, {11, 65535u}}) {
        EXPECT_EQ(MixerValue(static_cast<std::int8_t>(level)), value) << level;
    }
}

TEST(MixerTest, DevicesWithoutAHardwareMixerHaveNoSourcesAndIgnoreSettings) {
    WaveDeviceRegistration registration(std::make_shared<VirtualWaveDevice>("line"));
    for (int device : {0, registration.InputId(), -1, 120}) {
        auto id = static_cast<std::int8_t>(device);
        EXPECT_EQ(GetRecordSourceCount(id), 0) << device;
        EXPECT_EQ(GetRecordSourceName(id, 0), "") << device;
        SelectRecordSource(id, 0, -6);
        SetPlayVolume(id, -6, 0);
    }
    EXPECT_EQ(GetRecordSourceName(0, -1), kSystemRecordMixerName);
}

}  // namespace
