#include "model/DecimalReader.hpp"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace kelvarin {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// whether [p, last) begins with word, in any case
bool StartsWithWord(const char* p, const char* last, const char* word) {
    for (; *word != '\0'; ++p, ++word)
        if (p == last || Lower(*p) != *word) return false;
    return true;
}

// the end of "inf", "infinity", "nan" or "nan(chars)" at p, or nullptr
const char* SpecialEnd(const char* p, const char* last) {
    if (StartsWithWord(p, last, "infinity")) return p + 8;
    if (StartsWithWord(p, last, "inf")) return p + 3;
    if (!StartsWithWord(p, last, "nan")) return nullptr;
    const char* end = p + 3;
    if (end == last || *end != '(') return end;
    const char* q = end + 1;
    while (q != last && (IsDigit(*q) || (Lower(*q) >= 'a' && Lower(*q) <= 'z') || *q == '_')) ++q;
    return q != last && *q == ')' ? q + 1 : end;
}

// The decimal number at p: its end (p when there is none) and whether a digit of its
// mantissa is not zero.
struct DecimalSpan {
    const char* End;
    bool NonZero;
};

DecimalSpan ScanDecimal(const char* p, const char* last) {
    const char* start = p;
    bool nonZero = false;
    std::size_t digits = 0;
    for (; p != last && IsDigit(*p); ++p, ++digits) nonZero = nonZero || *p != '0';
    if (p != last && *p == '.')
        for (++p; p != last && IsDigit(*p); ++p, ++digits) nonZero = nonZero || *p != '0';
    if (digits == 0) return {start, false};
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != last && (*q == '+' || *q == '-')) ++q;
        if (q != last && IsDigit(*q)) {
            while (q != last && IsDigit(*q)) ++q;
            p = q;
        }
    }
    return {p, nonZero};
}

}  // namespace

std::from_chars_result ReadDoubleByStrtod(const char* first, const char* last, double& value) {
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    if (const char* end = SpecialEnd(p, last)) {
        const bool nan = Lower(*p) == 'n';
        const double magnitude = nan ? std::nan("") : HUGE_VAL;
        value = negative ? -magnitude : magnitude;
        return {end, std::errc()};
    }
    const DecimalSpan span = ScanDecimal(p, last);
    if (span.End == p) return {first, std::errc::invalid_argument};
    // strtod reads the locale's decimal point: the '.' becomes it (Kelvarin sets no
    // locale, so it stays '.', but a program around it may)
    std::string text(first, span.End);
    const char point = *std::localeconv()->decimal_point;
    for (char& c : text)
        if (c == '.') c = point;
    const double read = std::strtod(text.c_str(), nullptr);
    if (std::isinf(read) || (read == 0.0 && span.NonZero)) return {span.End, std::errc::result_out_of_range};
    value = read;
    return {span.End, std::errc()};
}

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    return std::from_chars(first, last, value);
#else
    return ReadDoubleByStrtod(first, last, value);
#endif
}

}  // namespace kelvarin
