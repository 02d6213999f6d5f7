// Voice sample formats: both dialects' lists read, the choice among them, and every coding's
// samples through a round trip.
#include "telephony/providers/modem/ModemVoiceFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

void PrintTo(const VoiceFormat& format, std::ostream* out) {
    *out << Describe(format) << " bits " << format.bits << " coding "
         << static_cast<int>(format.coding) << (format.lineRate ? " at" : " not at") << " 8000";
}

namespace {

using C = VoiceCoding;

TEST(ModemVoiceFormatTest, ReadsTheFormatListsOfBothDialectsAndNothingElse) {
    struct Row {
        const char* line;
        std::optional<VoiceFormat> format;
    };
    for (const Row& row : std::initializer_list<Row>{
             {R"(0,"SIGNED PCM",8,0,(8000),(0),(0))", {{0, "SIGNED PCM", 8, C::Signed8, true}}},
             {R"(130,"UNSIGNED PCM",8,0,(8000),(0),(0))",
              {{130, "UNSIGNED PCM", 8, C::Unsigned8, true}}},
             {R"(131,"G.711U",8,0,(8000),(0),(0))", {{131, "G.711U", 8, C::Mulaw, true}}},
             {R"(132,"G.711A",8,0,(8000),(0),(0))", {{132, "G.711A", 8, C::Alaw, true}}},
             {R"(129,"IMA ADPCM",4,0,(8000),(0),(0))", {{129, "IMA ADPCM", 4, C::Unusable, true}}},
             {R"(133,"14-BIT PCM",14,0,(8000),(0),(0))",
              {{133, "14-BIT PCM", 14, C::Unusable, true}}},
             {R"(+VSM: 128,"8-bit linear",8,0,8000,0,0)",
              {{128, "8-bit linear", 8, C::Unsigned8, true}}},
             {R"( +VSM: 131,"g.711 ulaw",8,0,8000,0,0 )", {{131, "g.711 ulaw", 8, C::Mulaw, true}}},
             {R"(+vsm:132,"g.711 alaw",8,0,8000,0,0)", {{132, "g.711 alaw", 8, C::Alaw, true}}},
             {R"(+VSM: 129,"adpcm",4,0,8000,0,0)", {{129, "adpcm", 4, C::Unusable, true}}},
             {R"(129,"16-BIT LINEAR",16,0,(7200,8000,11025),(0),(0))",
              {{129, "16-BIT LINEAR", 16, C::Linear16, true}}},
             {R"(5,"A-Law",8,0,(4800-11025))", {{5, "A-Law", 8, C::Alaw, true}}},
             {R"(4,"G711U",8)", {{4, "G711U", 8, C::Mulaw, true}}},
             {R"(1,"PCM",8,0,(7200),(0),(0))", {{1, "PCM", 8, C::Unsigned8, false}}},
             {R"(1,"UNSIGNED PCM",16,0,(8000))", {{1, "UNSIGNED PCM", 16, C::Unusable, true}}},
             {"OK", std::nullopt},
             {"", std::nullopt},
             {"+VSM: 128,8000,0,0", std::nullopt},  // the format in use, not one offered
             {R"(1,PCM,8,0,(8000))", std::nullopt},
             {R"(x,"PCM",8,0,(8000))", std::nullopt},
             {R"(1,"PCM")", std::nullopt},
             {R"(1,"PCM",,0,(8000))", std::nullopt},
         }) {
        const std::vector<VoiceFormat> expected(row.format ? 1 : 0,
                                                row.format.value_or(VoiceFormat{}));
        EXPECT_EQ(ParseVoiceFormats({row.line}), expected) << row.line;
    }
}

TEST(ModemVoiceFormatTest, ChoosesTheBestUsableFormatAtTheLineRateElseTheFallback) {
    const std::vector<std::string> conexant = {
        R"(0,"SIGNED PCM",8,0,(8000),(0),(0))",
        R"(1,"UNSIGNED PCM",8,0,(8000),(0),(0))",
        R"(130,"UNSIGNED PCM",8,0,(8000),(0),(0))",
        R"(131,"G.711U",8,0,(8000),(0),(0))",
        R"(132,"G.711A",8,0,(8000),(0),(0))",
        R"(129,"IMA ADPCM",4,0,(8000),(0),(0))",
        "OK",
    };
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        int cml;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"Conexant", conexant, 131},
             {"MulawNotAtTheLineRate",
              {R"(131,"G.711U",8,0,(11025))", conexant[4], conexant[0]},
              132},
             {"Sixteen", {conexant[0], conexant[2], R"(7,"16-bit linear",16,0,(8000))"}, 7},
             {"UnsignedFirstListed", {conexant[0], conexant[2], conexant[1]}, 130},
             {"Signed", {conexant[5], conexant[0]}, 0},
             {"OnlyAdpcm", {conexant[5]}, 1},
             {"Nothing", {}, 1},
         }) {
        EXPECT_EQ(ChooseVoiceFormat(ParseVoiceFormats(row.lines)).cml, row.cml) << row.name;
    }
    EXPECT_EQ(ChooseVoiceFormat({}), VoiceFormat{});
    EXPECT_EQ(Describe(VoiceFormat{}), "1 UNSIGNED PCM");
}

TEST(ModemVoiceFormatTest, EveryCodingComesBackWithinItsQuantisationAndSilenceIsItsZero) {
    struct Row {
        const char* name;
        VoiceCoding coding;
        int maxError;  // at full scale; G.711 steps grow with the sample, by 1/16 of it
        bool companded;
        std::vector<std::uint8_t> silence;
    };
    std::vector<std::int16_t> sweep;
    for (int sample = -32768; sample <= 32767; sample += 7) {
        sweep.push_back(static_cast<std::int16_t>(sample));
    }
    sweep.push_back(32767);
    for (const Row& row : std::initializer_list<Row>{
             {"Mulaw", C::Mulaw, 16, true, {0xFF}},
             {"Alaw", C::Alaw, 16, true, {0xD5}},
             {"Linear16", C::Linear16, 0, false, {0x00, 0x00}},
             {"Unsigned8", C::Unsigned8, 255, false, {0x80}},
             {"Signed8", C::Signed8, 255, false, {0x00}},
         }) {
        SCOPED_TRACE(row.name);
        VoiceFormat format;
        format.coding = row.coding;
        const VoiceEncoder encoder(format);
        std::vector<std::uint8_t> silence;
        encoder.AppendSilence(3, silence);
        std::vector<std::uint8_t> expected;
        for (int i = 0; i < 3; ++i) {
            expected.insert(expected.end(), row.silence.begin(), row.silence.end());
        }
        EXPECT_EQ(silence, expected);

        std::vector<std::uint8_t> bytes;
        encoder.Encode(sweep, bytes);
        ASSERT_EQ(bytes.size(), sweep.size() * row.silence.size());
        // Reads of odd sizes split 16-bit samples.
        VoiceDecoder decoder(format);
        std::vector<std::int16_t> samples;
        for (std::size_t at = 0; at < bytes.size(); at += 3) {
            decoder.Decode(
                std::span(bytes).subspan(at, std::min<std::size_t>(3, bytes.size() - at)), samples);
        }
        ASSERT_EQ(samples.size(), sweep.size());
        for (std::size_t i = 0; i < sweep.size(); ++i) {
            const int bound = row.maxError + (row.companded ? std::abs(sweep[i]) / 16 : 0);
            ASSERT_LE(std::abs(samples[i] - sweep[i]), bound) << sweep[i];
        }
    }
}

}  // namespace
