// Mixer access: the level-to-value mapping, and devices without a hardware mixer.
#include "audio/devices/Mixer.h"

#include <gtest/gtest.h>

#include "audio/devices/WaveDevices.h"

namespace {

TEST(MixerTest, LevelsMapToMixerValues) {
    const std::pair<int, unsigned> rows[] = {{-127, 0},   {-36, 0},    {-35, 1424}, {0, 51264},
                                             {10, 65504}, {11, 65535}, {127, 65535}};
    for (auto [level, value] : rows) {
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
    EXPECT_EQ(GetRecordSourceName(-1, -1), kSystemRecordMixerName);
}

}  // namespace
