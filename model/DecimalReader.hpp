#pragma once
// The one reader of decimal numbers: every number Kelvarin reads from text (scene files,
// records, options) comes through here, so a scene gives the same doubles on every
// target. It reads exactly what std::from_chars reads in its general format (an optional
// '-', digits with an optional '.', an optional exponent, or inf, infinity, nan and
// nan(...) in any case), rounds correctly, and reports the same errors. Where the C++
// library has no floating-point from_chars (the browser build's), the same reading is done
// by hand and strtod, which rounds correctly there too.

#include <charconv>

namespace kelvarin {

// the double at the start of [first, last), as std::from_chars(first, last, value) reads it:
// ptr just past the number; std::errc::invalid_argument when no number starts there, and
// std::errc::result_out_of_range when its magnitude is too large or rounds to zero (value
// is unchanged on either error)
std::from_chars_result ReadDouble(const char* first, const char* last, double& value);

// the same reading done by hand and with strtod: what ReadDouble uses where the library has
// no floating-point from_chars, built everywhere so that tests can hold it to from_chars
std::from_chars_result ReadDoubleByStrtod(const char* first, const char* last, double& value);

}  // namespace kelvarin
