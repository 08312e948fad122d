// Seconds and milliseconds since 1970 as UTC date-time texts and back, by the civil calendar's day arithmetic.
#include "codec/CodecError.h"
#include "codec/NumericCodecs.h"

#include <cstdio>

namespace norvak {

namespace {

constexpr std::int64_t secondsPerDay = 86400;
constexpr std::int64_t millisecondsPerSecond = 1000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t daysOf(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate dateOf(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const unsigned month = shifted < 10 ? shifted + 3 : shifted - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::int64_t floorDivide(std::int64_t value, std::int64_t by) {
    return value / by - (value % by < 0 ? 1 : 0);
}

// The number of `width` digits at `at`; -1 when they are not all digits.
int digitsAt(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::string timeText(std::int64_t count, bool milliseconds) {
    const std::int64_t seconds = milliseconds ? floorDivide(count, millisecondsPerSecond) : count;
    const std::int64_t days = floorDivide(seconds, secondsPerDay);
    const std::int64_t inDay = seconds - days * secondsPerDay;
    const CivilDate date = dateOf(days);
    if (date.year < 0 || date.year > 9999)
        throw CodecFailure(0, "a time of the year " + std::to_string(date.year) +
                                  ", which a date-time text does not hold");
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld", static_cast<long long>(date.year),
                  date.month, date.day, static_cast<long long>(inDay / 3600), static_cast<long long>(inDay / 60 % 60),
                  static_cast<long long>(inDay % 60));
    std::string result = text;
    if (milliseconds) {
        std::snprintf(text, sizeof text, ".%03lld", static_cast<long long>(count - seconds * millisecondsPerSecond));
        result += text;
    }
    return result + "Z";
}

std::int64_t timeCount(std::string_view text, bool milliseconds) {
    // YYYY-MM-DDTHH:MM:SS[.fff]Z
    const int year = digitsAt(text, 0, 4);
    const int month = digitsAt(text, 5, 2);
    const int day = digitsAt(text, 8, 2);
    const int hour = digitsAt(text, 11, 2);
    const int minute = digitsAt(text, 14, 2);
    const int second = digitsAt(text, 17, 2);
    const bool shaped =
        text.size() >= 20 && text[4] == '-' && text[7] == '-' && text[10] == 'T' && text[13] == ':' && text[16] == ':';
    int fraction = 0;
    std::size_t end = 19;
    if (shaped && text[19] == '.') {
        fraction = digitsAt(text, 20, 3);
        end = 23;
    }
    const bool valid = shaped && year >= 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
                       hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && fraction >= 0 &&
                       text.size() == end + 1 && text[end] == 'Z' && (milliseconds || end == 19);
    if (!valid)
        throw CodecFailure(0, "\"" + std::string(text) + "\" is no UTC date-time of the form YYYY-MM-DDTHH:MM:SS" +
                                  (milliseconds ? "[.fff]Z" : "Z"));
    const std::int64_t days = daysOf(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    if (dateOf(days).day != static_cast<unsigned>(day))
        throw CodecFailure(0, "\"" + std::string(text) + "\" names a day its month does not have");
    const std::int64_t seconds = days * secondsPerDay + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    return milliseconds ? seconds * millisecondsPerSecond + fraction : seconds;
}

} // namespace norvak
