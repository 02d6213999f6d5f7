// Text forms of times and levels: formatting, rounding, parsing of any text, clamping.
#include "settings/TimeText.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace {

TEST(TimeTextTest, FormatsRoundedWithCarryAndParsesAnyTextAndWhatItFormats) {
    EXPECT_EQ(FormatTime4(-5000), "-0:00:00.5000");
    EXPECT_EQ(FormatTime4(37235000), " 1:02:03.5000");
    EXPECT_EQ(FormatTime4(INT32_MAX), " 59:39:08.3647");
    EXPECT_EQ(FormatTime4(INT32_MIN), "-59:39:08.3648");
    EXPECT_EQ(FormatTime1(35999500), " 1:00:00.0");  // 59 min 59.95 s carries into the hour
    EXPECT_EQ(FormatTime1(35999499), " 0:59:59.9");
    EXPECT_EQ(FormatTime1(-14500), "-0:00:01.5");
    EXPECT_EQ(FormatTime1(INT32_MIN), "-59:39:08.4");
    for (auto [time, hundredths, text] : {
             std::tuple{std::int64_t{1250000}, false, "2:05"},
             {37239999, false, "1:02:03"},  // cut, not rounded
             {124000, true, "0:12.40"},
             {-32599, true, "-0:03.25"},
             {INT64_MIN, false, "-256204778801:31:17"},
         }) {
        EXPECT_EQ(FormatClock(time, hundredths), text) << time;
    }
    EXPECT_EQ(ParseTime("1:02:03.5"), 37235000);
    EXPECT_EQ(ParseTime("abc"), 0);
    EXPECT_EQ(ParseTime("0:00:01-"), -10000);   // the sign counts wherever it stands
    EXPECT_EQ(ParseTime("1.23456789"), 12345);  // digits past the fourth decimal add nothing
    EXPECT_EQ(ParseTime("1.2.3"), 12300);       // a second '.' is ignored
    EXPECT_EQ(ParseTime("1 h 30"), 1300000);    // other characters too: the digits run on
    EXPECT_EQ(ParseTime("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseTime("-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(ParseTime("9999:99:99:99:99:99"), INT32_MAX);
    for (std::int32_t t : {0, -1, 9999, 2147480000}) {
        EXPECT_EQ(ParseTime(FormatTime4(t)), t);
    }
    EXPECT_EQ(ParseDecibels("-3dB"), -3);
    EXPECT_EQ(ParseDecibels("1-2"), -12);
    for (const char* silence : {"--6", "-127", "-128", "-99999999999999999999"}) {
        EXPECT_EQ(ParseDecibels(silence), -127) << silence;
    }
    for (const char* loudest : {"127", "200dB", "99999999999999999999"}) {
        EXPECT_EQ(ParseDecibels(loudest), 127) << loudest;
    }
}

}  // namespace
