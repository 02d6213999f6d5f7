// Text forms of times and levels: formatting, rounding, parsing of any text, clamping.
#include "settings/TimeText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(TimeTextTest, FormatsWithFourDecimals) {
    struct Row {
        std::int32_t time;
        const char* text;
    } rows[] = {
        {0, " 0:00:00.0000"},
        {-5000, "-0:00:00.5000"},
        {150000, " 0:00:15.0000"},
        {37235000, " 1:02:03.5000"},
        {35999999, " 0:59:59.9999"},
        {360000000, " 10:00:00.0000"},
        {INT32_MAX, " 59:39:08.3647"},
        {INT32_MIN, "-59:39:08.3648"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatTime4(row.time), row.text) << row.time;
    }
}

TEST(TimeTextTest, FormatsOneDecimalRoundedWithCarry) {
    struct Row {
        std::int32_t time;
        const char* text;
    } rows[] = {
        {0, " 0:00:00.0"},
        {39600, " 0:00:04.0"},      // 3.96 s
        {35999500, " 1:00:00.0"},   // 59 min 59.95 s carries into the hour
        {35999499, " 0:59:59.9"},
        {-14500, "-0:00:01.5"},
        {-14499, "-0:00:01.4"},
        {INT32_MIN, "-59:39:08.4"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatTime1(row.time), row.text) << row.time;
    }
}

TEST(TimeTextTest, ParsesAnyText) {
    struct Row {
        const char* text;
        std::int32_t time;
    } rows[] = {
        {"1:02:03.5", 37235000},
        {"90", 900000},
        {"-1.5", -15000},
        {"", 0},
        {"abc", 0},
        {" 0:00:15.0000", 150000},
        {"0:00:02.5", 25000},
        {"-0:00:01", -10000},
        {"0:00:01-", -10000},           // the sign counts wherever it stands
        {"1.23456789", 12345},          // digits past the fourth decimal add nothing
        {"1.2.3", 12300},               // a second '.' is ignored
        {"1:30", 900000},
        {"1 h 30", 1300000},            // other characters ignored: digits run on
        {"99999999999999999999", INT32_MAX},
        {"-99999999999999999999", INT32_MIN},
        {"9999:99:99:99:99:99", INT32_MAX},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseTime(row.text), row.time) << row.text;
    }
}

TEST(TimeTextTest, FormattedTimesParseBack) {
    for (std::int32_t t : {0, 1, -1, 9999, 150000, -5000, 37235000, 2147480000}) {
        EXPECT_EQ(ParseTime(FormatTime4(t)), t);
    }
}

TEST(TimeTextTest, ParsesDecibels) {
    struct Row {
        const char* text;
        int db;
    } rows[] = {
        {"-200", -127}, {"12", 12},      {"--6", -127}, {"--dB", -127}, {"-3dB", -3},
        {"200dB", 127}, {"0dB", 0},      {"", 0},       {"+8", 8},      {"-127", -127},
        {"-128", -127}, {"127", 127},    {"1-2", -12},  {"99999999999999999999", 127},
        {"-99999999999999999999", -127},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseDecibels(row.text), row.db) << row.text;
    }
}

}  // namespace
