// The tool's option parsing: positional arguments, options with values, switches, checked numbers.
#include "tool/ToolOptions.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

TEST(ToolOptionsTest, SplitsPositionalArgumentsOptionsAndSwitches) {
    ToolOptions parsed;
    ASSERT_FALSE(ParseToolOptions({"in.wav", "--rate", "8000", "-6", "--keep", "-", "--rate",
                                   "11025", "--", "--keep", "--rate"},
                                  {"--rate"}, {"--keep"}, parsed));
    // "-6" and "-" are no options; after "--" nothing is; a repeated option keeps its last value.
    EXPECT_EQ(parsed.positional, (Strings{"in.wav", "-6", "-", "--keep", "--rate"}));
    EXPECT_EQ(parsed.Value("--rate", "1"), "11025");
    EXPECT_TRUE(parsed.Has("--keep"));
    EXPECT_EQ(parsed.Value("--bits", "16"), "16");
    EXPECT_FALSE(parsed.Has("--bits"));
}

TEST(ToolOptionsTest, RefusesUnknownOptionsAndMissingValues) {
    // Each error names the option.
    const std::pair<Strings, const char*> rows[] = {{{"a", "--colour", "red"}, "--colour"},
                                                    {{"a", "--rate"}, "--rate"},
                                                    {{"--keep=yes"}, "--keep=yes"}};
    for (const auto& [args, option] : rows) {
        ToolOptions parsed;
        std::optional<std::string> error = ParseToolOptions(args, {"--rate"}, {"--keep"}, parsed);
        ASSERT_TRUE(error) << option;
        EXPECT_NE(error->find(option), std::string::npos) << *error;
    }
}

TEST(ToolOptionsTest, NumbersAreWholeDecimalsWithinTheirRange) {
    EXPECT_EQ(ParseIntOption("1", 1, 192000), 1);
    EXPECT_EQ(ParseIntOption("192000", 1, 192000), 192000);
    EXPECT_EQ(ParseIntOption("-2147483648", INT32_MIN, 0), INT32_MIN);
    for (const char* refused :
         {"0", "192001", "", "8k", " 5", "+5", "0x10", "99999999999999999999"}) {
        EXPECT_FALSE(ParseIntOption(refused, 1, 192000)) << refused;
    }
}

TEST(ToolOptionsTest, DecibelsTakeTheirUnitAndSilenceWhereTheRangeReachesIt) {
    EXPECT_EQ(ParseDecibelOption("-6dB"), -6);
    EXPECT_EQ(ParseDecibelOption("6DB"), 6);
    EXPECT_EQ(ParseDecibelOption("+8", -8, 8), 8);
    EXPECT_EQ(ParseDecibelOption("--dB"), -127);
    EXPECT_EQ(ParseDecibelOption("--", -127, 0), -127);
    for (const char* refused : {"9", "-9", "--", "dB", "+", "loud"}) {
        EXPECT_FALSE(ParseDecibelOption(refused, -8, 8)) << refused;
    }
}

}  // namespace
