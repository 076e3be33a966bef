#include "netcdf/CfTime.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace kelvarin {
namespace {

using Calendar = CfTimeUnits::Calendar;

bool LeapYear(std::int64_t y, Calendar calendar) {
    if (calendar == Calendar::NoLeap) return false;
    if (calendar == Calendar::AllLeap) return true;
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(std::int64_t y, int m, Calendar calendar) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (calendar == Calendar::Days360) return 30;
    return kDays[static_cast<std::size_t>(m - 1)] + (m == 2 && LeapYear(y, calendar) ? 1 : 0);
}

// days from 1970-01-01 to the date in the calendar (years counted one by one from 1970
// outside the standard calendar, which takes the civil-days formula)
std::int64_t DaysOfDate(std::int64_t y, int m, int d, Calendar calendar) {
    if (calendar == Calendar::Standard) {
        const std::int64_t yy = y - (m <= 2 ? 1 : 0);
        const std::int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
        const std::int64_t yoe = yy - era * 400;
        const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }
    const std::int64_t yearDays = calendar == Calendar::Days360 ? 360 : (calendar == Calendar::NoLeap ? 365 : 366);
    std::int64_t days = (y - 1970) * yearDays;
    for (int month = 1; month < m; ++month) days += DaysInMonth(y, month, calendar);
    return days + d - 1;
}

// the date of a day count from 1970-01-01
void DateOfDays(std::int64_t days, Calendar calendar, std::int64_t& y, int& m, int& d) {
    if (calendar == Calendar::Standard) {
        const std::int64_t z = days + 719468;
        const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        y = yoe + era * 400 + (m <= 2 ? 1 : 0);
        return;
    }
    const std::int64_t yearDays = calendar == Calendar::Days360 ? 360 : (calendar == Calendar::NoLeap ? 365 : 366);
    const std::int64_t years = days >= 0 ? days / yearDays : -((-days + yearDays - 1) / yearDays);
    y = 1970 + years;
    std::int64_t rest = days - years * yearDays;
    m = 1;
    while (rest >= DaysInMonth(y, m, calendar)) rest -= DaysInMonth(y, m++, calendar);
    d = static_cast<int>(rest + 1);
}

// "YYYY-M-D", then optionally "[ T]h:m[:s[.f]]"; the rest of the text is left in rest
bool ReadDateTime(const std::string& text, std::int64_t& seconds, std::string& rest, Calendar calendar) {
    long long y = 0;
    int m = 0, d = 0, h = 0, mi = 0, used = 0;
    double s = 0;
    if (std::sscanf(text.c_str(), "%lld-%d-%d%n", &y, &m, &d, &used) != 3) return false;
    std::size_t at = static_cast<std::size_t>(used);
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) {
        int more = 0;
        if (std::sscanf(text.c_str() + at + 1, "%d:%d%n", &h, &mi, &more) == 2) {
            at += 1 + static_cast<std::size_t>(more);
            if (at < text.size() && text[at] == ':' && std::sscanf(text.c_str() + at + 1, "%lf%n", &s, &more) == 1)
                at += 1 + static_cast<std::size_t>(more);
        }
    }
    if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m, calendar) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
        s >= 61)
        return false;
    seconds = DaysOfDate(y, m, d, calendar) * 86400 + std::int64_t{h} * 3600 + std::int64_t{mi} * 60 +
              static_cast<std::int64_t>(s);
    rest = text.substr(at);
    return true;
}

}  // namespace

std::optional<CfTimeUnits> ReadCfTimeUnits(const std::string& units, const std::string& calendar) {
    CfTimeUnits result;
    if (calendar.empty() || calendar == "standard" || calendar == "gregorian" || calendar == "proleptic_gregorian")
        result.Kind = Calendar::Standard;
    else if (calendar == "noleap" || calendar == "365_day")
        result.Kind = Calendar::NoLeap;
    else if (calendar == "all_leap" || calendar == "366_day")
        result.Kind = Calendar::AllLeap;
    else if (calendar == "360_day")
        result.Kind = Calendar::Days360;
    else
        return std::nullopt;
    std::istringstream words(units);
    std::string unit, since;
    if (!(words >> unit >> since) || since != "since") return std::nullopt;
    if (unit == "seconds" || unit == "second" || unit == "s" || unit == "sec" || unit == "secs")
        result.Seconds = 1;
    else if (unit == "minutes" || unit == "minute" || unit == "min" || unit == "mins")
        result.Seconds = 60;
    else if (unit == "hours" || unit == "hour" || unit == "h" || unit == "hr" || unit == "hrs")
        result.Seconds = 3600;
    else if (unit == "days" || unit == "day" || unit == "d")
        result.Seconds = 86400;
    else
        return std::nullopt;
    std::string reference, rest;
    std::getline(words >> std::ws, reference);
    if (!ReadDateTime(reference, result.Origin, rest, result.Kind)) return std::nullopt;
    // a zone of zero offset only: "Z", "UTC", "+00:00", "+0000"
    std::istringstream zone(rest);
    std::string mark;
    zone >> mark;
    if (!mark.empty() && mark != "Z" && mark != "UTC" && mark != "+00:00" && mark != "+0000" && mark != "+00" &&
        mark != "-00:00")
        return std::nullopt;
    return result;
}

std::string CfTimeText(double value, const CfTimeUnits& units) {
    // to the microsecond, so that a time of rounded hours or days shows as such
    const auto micro =
        static_cast<std::int64_t>(std::llround((static_cast<double>(units.Origin) + value * units.Seconds) * 1e6));
    std::int64_t seconds = micro / 1000000, fraction = micro % 1000000;
    if (fraction < 0) fraction += 1000000, --seconds;
    std::int64_t days = seconds / 86400, within = seconds % 86400;
    if (within < 0) within += 86400, --days;
    std::int64_t y = 0;
    int m = 0, d = 0;
    DateOfDays(days, units.Kind, y, m, d);
    char text[64];
    int length = std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d", static_cast<long long>(y), m, d,
                               static_cast<int>(within / 3600), static_cast<int>(within / 60 % 60));
    if (within % 60 != 0 || fraction != 0)
        length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ":%02d",
                                static_cast<int>(within % 60));
    if (fraction != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, ".%06lld", static_cast<long long>(fraction));
        std::string tail = digits;
        while (tail.back() == '0') tail.pop_back();
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), "%s", tail.c_str());
    }
    return text;
}

std::optional<std::int64_t> SecondsOfTimeStamp(const std::string& text) {
    std::int64_t seconds = 0;
    std::string rest;
    if (!ReadDateTime(text, seconds, rest, Calendar::Standard) || !rest.empty()) return std::nullopt;
    return seconds;
}

}  // namespace kelvarin
