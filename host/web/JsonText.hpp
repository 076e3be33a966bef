#pragma once
// JSON text for the page's script: strings escaped so that any name or message reads back
// as the same characters, numbers with 17 significant digits so that they read back as the
// same doubles.

#include <string>
#include <string_view>

namespace kelvarin {

// a JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped
std::string JsonString(std::string_view text);

// a JSON number that reads back as the same double; null for an infinity or NaN
std::string JsonNumber(double value);

}  // namespace kelvarin
