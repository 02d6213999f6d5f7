// The pass-through rule of every process: an empty reference stays empty and an invalid source
// comes back itself with one more reference, whatever the parameters.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LCompressor.h"
#include "audio/dsp/LGainFilter.h"
#include "audio/dsp/LHighPassFilter.h"
#include "audio/dsp/LPeakLimiter.h"
#include "audio/dsp/LResampler.h"
#include "audio/dsp/LSpeedFilter.h"
#include "audio/dsp/TestSources.h"

namespace {

struct Named {
    const char* name;
    std::shared_ptr<LSoundProcess> process;
    bool createsOnInvalid;  // the speed process always creates
};

std::vector<Named> AllProcesses() {
    return {
        {"high-pass", std::make_shared<LHighPassProcess>(300), false},
        {"compressor", std::make_shared<LCompressorProcess>(-12, 0.9261187281287935, 500), false},
        {"gain", std::make_shared<LGainProcess>(6), false},
        {"peak limiter", std::make_shared<LPeakLimiterProcess>(1000), false},
        {"sample rate", std::make_shared<LSampleRateProcess>(8000), false},
        {"channels", std::make_shared<LChannelsProcess>(1), false},
        {"speed", std::make_shared<LSpeedProcess>(80000, 0.5, 7), true},
    };
}

TEST(ProcessRulesTest, EmptyInGivesEmptyOut) {
    for (const Named& p : AllProcesses()) {
        LSoundSourcePtr out = MakeVectorSource({}, 8000);
        p.process->Create(out, LSoundSourcePtr());
        EXPECT_FALSE(out) << p.name;
    }
}

TEST(ProcessRulesTest, InvalidInComesBackWithOneMoreReference) {
    for (const Named& p : AllProcesses()) {
        int alive = 0;
        {
            auto source = MakeVectorSource(Noise(100, 1'000'000, 2), 44100, 2, &alive);
            source->flags |= kSoundInvalid;
            LSoundSourcePtr out;
            p.process->Create(out, source);
            EXPECT_EQ(source->refCount, 2) << p.name;
            EXPECT_EQ(out == source, !p.createsOnInvalid) << p.name;
        }
        EXPECT_EQ(alive, 0) << p.name;
    }
}

TEST(ProcessRulesTest, ValidInGetsAFilterHoldingOneReference) {
    for (const Named& p : AllProcesses()) {
        int alive = 0;
        {
            auto source = MakeVectorSource(Noise(100, 1'000'000, 2), 44100, 2, &alive);
            LSoundSourcePtr head = source;
            p.process->Create(head, head);  // as chains are built: the head is replaced
            ASSERT_TRUE(head) << p.name;
            EXPECT_NE(head, source) << p.name;
            EXPECT_EQ(head->refCount, 1) << p.name;
            EXPECT_EQ(source->refCount, 2) << p.name;
            source.Release();
            std::vector<std::int32_t> out(2 * 500);
            head->Read(out.data(), 500);
            EXPECT_EQ(alive, 1) << p.name;
        }
        EXPECT_EQ(alive, 0) << p.name;
    }
}

}  // namespace
