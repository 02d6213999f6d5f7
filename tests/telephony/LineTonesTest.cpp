// The line's tones, measured: DTMF pairs, the exchange's and fax tones, mixing in any window.
#include "telephony/LineTones.h"

#include <gtest/gtest.h>

#include "audio/dsp/TestSources.h"

namespace {

// Line frames [0, frames) of `tone`.
std::vector<std::int32_t> Render(const LineTone& tone, std::int32_t frames) {
    std::vector<std::int32_t> mix(static_cast<std::size_t>(frames));
    tone.MixInto(mix.data(), 0, frames);
    return mix;
}

TEST(LineTonesTest, EachKeySoundsItsRowAndColumnFrequenciesAndNoOther) {
    const double kFrequencies[] = {697, 770, 852, 941, 1209, 1336, 1477, 1633};
    struct Row {
        char key;
        double row;
        double column;
    } rows[] = {
        {'1', 697, 1209}, {'5', 770, 1336}, {'9', 852, 1477}, {'D', 941, 1633}, {'*', 941, 1209}};
    for (const Row& row : rows) {
        std::optional<LineTone> tone = DtmfTone(row.key, 0, 800);
        ASSERT_TRUE(tone) << row.key;
        std::vector<std::int32_t> samples = Render(*tone, 800);
        for (double frequency : kFrequencies) {
            bool sounds = frequency == row.row || frequency == row.column;
            EXPECT_EQ(ToneAmplitude(samples, frequency, 8000, 0, 800) > 2000, sounds)
                << row.key << " at " << frequency << " Hz";
        }
    }
    EXPECT_FALSE(DtmfTone('x', 0, 1) || DtmfTone('E', 0, 1) || DtmfTone('\0', 0, 1));
}

TEST(LineTonesTest, TheExchangesTonesAndTheFaxToneHaveTheirFrequenciesAndCadences) {
    struct Row {
        const char* name;
        LineTone tone;
        std::vector<double> frequencies;
        int onMs;
        int periodMs;
    } rows[] = {
        {"busy", BusyTone(0, INT64_MAX), {480, 620}, 500, 1000},
        {"disconnect", DisconnectTone(0, INT64_MAX), {425}, 750, 1500},
        {"fax calling", FaxCallingTone(0, INT64_MAX), {1100}, 500, 3500},
    };
    for (const Row& row : rows) {
        std::vector<std::int32_t> samples = Render(row.tone, row.periodMs * 8 * 2);
        // Two periods in 10 ms blocks: sound for the first onMs of each, silence after.
        for (int ms = 0; ms < 2 * row.periodMs; ms += 10) {
            double rms = Rms(samples, ms * 8u, (ms + 10) * 8u);
            EXPECT_EQ(rms > 1000, ms % row.periodMs < row.onMs) << row.name << " at " << ms;
        }
        for (double frequency : row.frequencies) {
            EXPECT_NEAR(ToneAmplitude(samples, frequency, 8000, 0, row.onMs * 8u), 8000, 200);
            EXPECT_LT(ToneAmplitude(samples, frequency + 40, 8000, 0, row.onMs * 8u), 1000);
        }
    }
}

TEST(LineTonesTest, MixingAddsTheToneOverItsSpanOnlyWhereverTheWindowFalls) {
    const LineTone beep = BeepTone(1000, 400);
    std::vector<std::int32_t> whole(2000, 7);
    beep.MixInto(whole.data(), 0, 2000);
    // In windows of another size the same values land on the same frames.
    std::vector<std::int32_t> pieces(2000, 7);
    for (std::int32_t from = 0; from < 2000; from += 333) {
        beep.MixInto(pieces.data() + from, from, std::min(333, 2000 - from));
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(std::count(whole.begin(), whole.begin() + 1000, 7), 1000);
    EXPECT_EQ(std::count(whole.begin() + 1400, whole.end(), 7), 600);
    EXPECT_NEAR(ToneAmplitude(whole, 1000, 8000, 1000, 1400), 8000, 100);
}

}  // namespace
