#pragma once
// Text helpers of the scene reader: one field of a delimited list, the text
// between two marks, and the number a text begins with.

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// field n (1-based) of text cut at delimiter; with collapse a run of delimiters is one
// separator; empty text when the text has fewer than n fields or n < 1
std::string GetToken(std::string_view text, std::string_view delimiter, long n, bool collapse);

// every field of text cut at delimiter, a trailing empty field dropped
std::vector<std::string> GetTokens(std::string_view text, std::string_view delimiter, bool collapse);

// the text strictly between the first opening mark and the first closing mark after it;
// empty text when either mark is missing
std::string TextBetween(std::string_view text, std::string_view openMark, std::string_view closeMark);

// the number text begins with: blanks anywhere are ignored, reading stops at the first
// character that cannot continue a number, text without a number gives 0; a number too
// large for a double gives an infinity of its sign (callers check std::isfinite)
double LeadingNumber(std::string_view text);

}  // namespace kelvarin
