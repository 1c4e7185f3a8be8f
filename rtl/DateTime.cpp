#include "rtl/DateTime.h"

#include "platform/Kernel.h"
#include "rtl/Exceptions.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace rtl {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (month <= 2));
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30);

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Before 1899-12-30 the time of day is the absolute value of the fraction.
long long DayNumber(TDateTime value) {
    return static_cast<long long>(std::trunc(value));
}
long long MillisecondOfDay(TDateTime value) {
    long long ms = std::llround(std::fabs(value - std::trunc(value)) * kMillisecondsPerDay);
    return ms >= 86400000 ? 86399999 : ms;
}

std::string Padded(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

class Formatter {
public:
    Formatter(TDateTime value, const TFormatSettings& settings) : value_(value), settings_(settings) {
        DecodeDate(value, year_, month_, day_);
        DecodeTime(value, hour_, minute_, second_, millisecond_);
    }

    std::string Format(const std::string& format, int depth = 0) {
        std::string out;
        bool lastWasHour = false;
        std::size_t i = 0;
        auto count = [&](char c) {
            std::size_t n = 0;
            while (i + n < format.size() && std::tolower(static_cast<unsigned char>(format[i + n])) == c)
                ++n;
            return n;
        };
        auto startsWith = [&](const char* word) {
            const std::size_t length = std::char_traits<char>::length(word);
            if (i + length > format.size()) return false;
            for (std::size_t k = 0; k < length; ++k)
                if (std::tolower(static_cast<unsigned char>(format[i + k])) != word[k]) return false;
            return true;
        };
        while (i < format.size()) {
            const char raw = format[i];
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
            if (raw == '"' || raw == '\'') {
                const std::size_t end = format.find(raw, i + 1);
                out += format.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
                i = end == std::string::npos ? format.size() : end + 1;
                continue;
            }
            if (raw == '/') {
                out += settings_.DateSeparator;
                ++i;
                continue;
            }
            if (raw == ':') {
                out += settings_.TimeSeparator;
                ++i;
                continue;
            }
            if (startsWith("am/pm")) {
                out += hour_ < 12 ? (raw == 'A' ? "AM" : "am") : (raw == 'A' ? "PM" : "pm");
                i += 5;
                continue;
            }
            if (startsWith("a/p")) {
                out += hour_ < 12 ? (raw == 'A' ? "A" : "a") : (raw == 'A' ? "P" : "p");
                i += 3;
                continue;
            }
            if (startsWith("ampm")) {
                out += hour_ < 12 ? settings_.TimeAMString : settings_.TimePMString;
                i += 4;
                continue;
            }
            std::size_t n = 1;
            switch (c) {
            case 'c':
                if (depth < 2) {
                    out += Format(settings_.ShortDateFormat, depth + 1);
                    if (MillisecondOfDay(value_) != 0)
                        out += " " + Format(settings_.LongTimeFormat, depth + 1);
                }
                break;
            case 'y':
                n = count('y');
                out += n <= 2 ? Padded(year_ % 100, 2) : Padded(year_, 4);
                break;
            case 'm':
                n = count('m');
                if (lastWasHour && n <= 2)
                    out += n == 1 ? std::to_string(minute_) : Padded(minute_, 2);
                else if (n == 1)
                    out += std::to_string(month_);
                else if (n == 2)
                    out += Padded(month_, 2);
                else if (n == 3)
                    out += settings_.ShortMonthNames[static_cast<std::size_t>(month_ - 1)];
                else
                    out += settings_.LongMonthNames[static_cast<std::size_t>(month_ - 1)];
                break;
            case 'd': {
                n = count('d');
                const std::size_t weekday = static_cast<std::size_t>(DayOfWeek(value_) - 1);
                if (n == 1)
                    out += std::to_string(day_);
                else if (n == 2)
                    out += Padded(day_, 2);
                else if (n == 3)
                    out += settings_.ShortDayNames[weekday];
                else if (n == 4)
                    out += settings_.LongDayNames[weekday];
                else if (depth < 2)
                    out += Format(n == 5 ? settings_.ShortDateFormat : settings_.LongDateFormat, depth + 1);
                if (n > 6) n = 6;
                break;
            }
            case 'h':
                n = count('h');
                out += n == 1 ? std::to_string(hour_) : Padded(hour_, 2);
                break;
            case 'n':
                n = count('n');
                out += n == 1 ? std::to_string(minute_) : Padded(minute_, 2);
                break;
            case 's':
                n = count('s');
                out += n == 1 ? std::to_string(second_) : Padded(second_, 2);
                break;
            case 'z':
                n = count('z');
                out += n < 3 ? std::to_string(millisecond_) : Padded(millisecond_, 3);
                break;
            case 't':
                n = count('t');
                if (depth < 2)
                    out += Format(n == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth + 1);
                break;
            default:
                out += raw;
                break;
            }
            if (c == 'h')
                lastWasHour = true;
            else if (c != ' ' && c != ':' && !std::ispunct(static_cast<unsigned char>(c)))
                lastWasHour = false;
            i += n;
        }
        return out;
    }

private:
    TDateTime value_;
    const TFormatSettings& settings_;
    int year_, month_, day_, hour_, minute_, second_, millisecond_;
};

} // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = static_cast<TDateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return false;
    time = ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + millisecond) / kMillisecondsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
    return date;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime time = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, time))
        throw EConvertError("Invalid argument to time encode");
    return time;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    CivilFromDays(DayNumber(date) + kEpochOffset, year, month, day);
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& millisecond) {
    long long ms = MillisecondOfDay(time);
    hour = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    minute = static_cast<int>(ms / 60000);
    ms %= 60000;
    second = static_cast<int>(ms / 1000);
    millisecond = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime date) {
    // 1899-12-30 was a Saturday.
    const long long days = DayNumber(date);
    return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

TDateTime IncDay(TDateTime date, int days) {
    return date + days;
}

TDateTime SystemTimeToDateTime(const win::SYSTEMTIME& time) {
    const TDateTime date = EncodeDate(time.wYear, time.wMonth, time.wDay);
    return date + EncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
}

TDateTime Now() {
    win::SYSTEMTIME now{};
    win::GetLocalTime(&now);
    return SystemTimeToDateTime(now);
}

TDateTime Date() {
    return std::trunc(Now());
}

std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& settings) {
    return Formatter(value, settings).Format(format.empty() ? "c" : format);
}

std::string DateToStr(TDateTime date, const TFormatSettings& settings) {
    return FormatDateTime(settings.ShortDateFormat, date, settings);
}

std::string TimeToStr(TDateTime time, const TFormatSettings& settings) {
    return FormatDateTime(settings.LongTimeFormat, time, settings);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

} // namespace rtl
