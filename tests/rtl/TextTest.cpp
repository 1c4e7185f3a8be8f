#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/IntText.h"

#include <gtest/gtest.h>

TEST(IntText, DecimalAndHexadecimalInTheRuntimesSyntax) {
    EXPECT_EQ(rtl::StrToInt("42"), 42);
    EXPECT_EQ(rtl::StrToInt("  -17"), -17);
    EXPECT_EQ(rtl::StrToInt("+8"), 8);
    EXPECT_EQ(rtl::StrToInt("$1F"), 31);
    EXPECT_EQ(rtl::StrToInt("0x1f"), 31);
    EXPECT_EQ(rtl::StrToInt("$FFFFFFFF"), -1) << "hexadecimal covers the unsigned range";
    EXPECT_EQ(rtl::StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(rtl::StrToIntDef("2147483648", 7), 7) << "decimal overflow is no number";
    EXPECT_EQ(rtl::StrToIntDef("12 ", 7), 7) << "nothing may follow the digits";
    EXPECT_EQ(rtl::StrToIntDef("", 7), 7);
    EXPECT_EQ(rtl::StrToIntDef("$", 7), 7);
    EXPECT_EQ(rtl::StrToIntDef("$G", 7), 7);
    try {
        rtl::StrToInt("abc");
        FAIL();
    } catch (const rtl::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(rtl::StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(rtl::IntToHex(255, 4), "00FF");
    EXPECT_EQ(rtl::IntToStr(-5), "-5");
}

TEST(DateTime, EncodingAndDecodingRoundTrip) {
    EXPECT_EQ(rtl::EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(rtl::EncodeDate(2016, 6, 13), 42534.0);
    int y, m, d;
    rtl::DecodeDate(42534.75, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20160613);
    int h, n, s, ms;
    rtl::DecodeTime(42534.75, h, n, s, ms);
    EXPECT_EQ(h, 18);
    EXPECT_EQ(rtl::DayOfWeek(42534), 2) << "a Monday";
    EXPECT_THROW(rtl::EncodeDate(2015, 2, 29), rtl::EConvertError);
    EXPECT_NO_THROW(rtl::EncodeDate(2016, 2, 29));
    rtl::DecodeDate(-1.25, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    rtl::DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6) << "before the epoch the fraction still counts forward";
}

TEST(DateTime, ShortDateFormatAndTheStandardText) {
    rtl::TFormatSettings settings;
    settings.ShortDateFormat = "yyyy/mm/dd";
    const rtl::TDateTime day = rtl::EncodeDate(2016, 6, 3);
    EXPECT_EQ(rtl::DateToStr(day, settings), "2016/06/03");
    settings.DateSeparator = '-';
    EXPECT_EQ(rtl::DateToStr(day, settings), "2016-06-03") << "a slash stands for the date separator";
    settings.DateSeparator = '/';
    EXPECT_EQ(rtl::DateTimeToStr(day, settings), "2016/06/03") << "no time at midnight";
    EXPECT_EQ(rtl::DateTimeToStr(day + rtl::EncodeTime(9, 5, 7, 0), settings), "2016/06/03 09:05:07");
    EXPECT_EQ(rtl::FormatDateTime("hh:mm 'at' d mmm yy", day + rtl::EncodeTime(14, 30, 0, 0), settings),
              "14:30 at 3 Jun 16")
        << "m after h is minutes";
    EXPECT_EQ(rtl::FormatDateTime("dddd h am/pm zzz", day + rtl::EncodeTime(14, 0, 0, 7), settings),
              "Friday 14 pm 007");
}
