// Date and time values and their texts.
#pragma once

#include "platform/WinTypes.h"

#include <array>
#include <string>

namespace rtl {

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

struct TFormatSettings {
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "yyyy/m/d";
    std::string LongDateFormat = "dddd, mmmm d, yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
};

// The process-wide settings that the texts below use unless given others.
TFormatSettings& FormatSettings();

bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time);
// Raise EConvertError for values out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& millisecond);
// 1 for Sunday to 7 for Saturday.
int DayOfWeek(TDateTime date);
TDateTime IncDay(TDateTime date, int days);

TDateTime SystemTimeToDateTime(const win::SYSTEMTIME& time);
TDateTime Now();
// Today at midnight.
TDateTime Date();

// Specifiers: c d dd ddd dddd ddddd dddddd m mm mmm mmmm (minutes after h) yy yyyy h hh n nn s ss
// z zzz t tt am/pm a/p ampm, '/' and ':' for the separators, and quoted literal text.
std::string FormatDateTime(const std::string& format, TDateTime value,
                           const TFormatSettings& settings = FormatSettings());
std::string DateToStr(TDateTime date, const TFormatSettings& settings = FormatSettings());
std::string TimeToStr(TDateTime time, const TFormatSettings& settings = FormatSettings());
// The standard date-and-time text: short date, a blank and the long time; no time at midnight.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());

} // namespace rtl
