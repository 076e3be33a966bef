#pragma once
// Time as CF-conventions files count it: a number of units since a reference date and
// time ("hours since 2024-01-01 00:00:00") in a calendar, to and from the text a CSV
// table shows ("2024-01-01 05:00").

#include <cstdint>
#include <optional>
#include <string>

namespace kelvarin {

struct CfTimeUnits {
    double Seconds = 1.0;     // seconds in one unit
    std::int64_t Origin = 0;  // the reference time, seconds after 1970-01-01 00:00:00 in the calendar
    enum class Calendar { Standard, NoLeap, AllLeap, Days360 } Kind = Calendar::Standard;
};

// Reads units such as "days since 1990-1-1", "hours since 2024-01-01T00:00:00Z" or
// "minutes since 1970-01-01 00:00:00 +00:00" and a calendar attribute ("standard",
// "gregorian", "proleptic_gregorian", "noleap", "365_day", "all_leap", "366_day",
// "360_day"; empty: standard). Nothing for what it cannot read.
std::optional<CfTimeUnits> ReadCfTimeUnits(const std::string& units, const std::string& calendar);

// "YYYY-MM-DD HH:MM" (":SS" where the seconds are not 0, and the fraction of a second where
// there is one) of a time value in those units
std::string CfTimeText(double value, const CfTimeUnits& units);

// The seconds after 1970-01-01 00:00:00 (standard calendar) of a time stamp
// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (a 'T' may stand for the
// blank); nothing for any other text.
std::optional<std::int64_t> SecondsOfTimeStamp(const std::string& text);

}  // namespace kelvarin
