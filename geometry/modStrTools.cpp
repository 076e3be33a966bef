#include "geometry/modStrTools.hpp"

#include <cmath>
#include <limits>
#include <system_error>

#include "model/DecimalReader.hpp"

namespace kelvarin {

namespace {

// the fields of text in order, stopping once field `last` is reached (last < 1: all of them)
std::vector<std::string> ScanFields(std::string_view text, std::string_view delimiter, bool collapse, long last) {
    std::vector<std::string> fields;
    if (delimiter.empty()) {
        fields.emplace_back(text);
        return fields;
    }
    std::size_t position = 0;
    while (true) {
        if (collapse) {
            while (text.substr(position, delimiter.size()) == delimiter && position < text.size()) {
                position += delimiter.size();
            }
        }
        const std::size_t found = text.find(delimiter, position);
        if (found == std::string_view::npos) {
            fields.emplace_back(text.substr(position));
            return fields;
        }
        fields.emplace_back(text.substr(position, found - position));
        if (last >= 1 && static_cast<long>(fields.size()) == last) return fields;
        position = found + delimiter.size();
    }
}

// true for the blanks the number reader skips
bool IsNumberBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

// field n of a delimited list
Token GetToken(std::string_view text, std::string_view delimiter, long n, bool collapse) {
    if (n < 1) return Token(GetTokens(text, delimiter, collapse));
    std::vector<std::string> fields = ScanFields(text, delimiter, collapse, n);
    if (static_cast<long>(fields.size()) < n) return Token(std::string());
    return Token(std::move(fields[static_cast<std::size_t>(n - 1)]));
}

// field n of a list cut at one character, as a view
std::string_view TokenView(std::string_view text, char delimiter, long n, bool collapse) {
    std::size_t position = 0;
    for (long field = 1;; ++field) {
        if (collapse) {
            while (position < text.size() && text[position] == delimiter) ++position;
        }
        const std::size_t found = text.find(delimiter, position);
        if (found == std::string_view::npos) return field == n ? text.substr(position) : std::string_view();
        if (field == n) return text.substr(position, found - position);
        position = found + 1;
    }
}

// all fields of a delimited list
std::vector<std::string> GetTokens(std::string_view text, std::string_view delimiter, bool collapse) {
    std::vector<std::string> fields = ScanFields(text, delimiter, collapse, 0);
    if (!fields.empty() && fields.back().empty()) fields.pop_back();
    return fields;
}

// text between two marks
std::string TextBetween(std::string_view text, std::string_view openMark, std::string_view closeMark) {
    const std::size_t open = text.find(openMark);
    if (open == std::string_view::npos) return {};
    const std::size_t start = open + openMark.size();
    const std::size_t close = text.find(closeMark, start);
    if (close == std::string_view::npos) return {};
    return std::string(text.substr(start, close - start));
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// the leading number of a text gathered character by character, blanks skipped
double GatheredLeadingNumber(std::string_view text) {
    // Gather the characters that form the number, skipping blanks; the result holds
    // only "-", digits, "." and "e", which ReadDouble reads exactly.
    std::string number;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsNumberBlank(text[i])) ++i;
    };
    auto takeDigits = [&] {
        std::size_t count = 0;
        while (true) {
            skipBlanks();
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return count;
            number += text[i++];
            ++count;
        }
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    std::size_t digits = takeDigits();
    skipBlanks();
    if (i < text.size() && text[i] == '.') {
        ++i;
        number += '.';
        digits += takeDigits();
    }
    if (digits == 0) return 0.0;
    skipBlanks();
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        // an exponent counts only when digits follow it
        std::string exponent = "e";
        std::size_t j = i + 1;
        while (j < text.size() && IsNumberBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            if (text[j] == '-') exponent += '-';
            ++j;
        }
        std::string exponentDigits;
        while (true) {
            while (j < text.size() && IsNumberBlank(text[j])) ++j;
            if (j >= text.size() || text[j] < '0' || text[j] > '9') break;
            exponentDigits += text[j++];
        }
        if (!exponentDigits.empty()) number += exponent + exponentDigits;
    }
    double value = 0.0;
    const char* first = number.data();
    const char* last = number.data() + number.size();
    const auto [end, error] = ReadDouble(first, last, value);
    if (error == std::errc::result_out_of_range) {
        // too large gives an infinity; too small is as good as 0
        const bool negative = number.front() == '-';
        const std::size_t ePos = number.find('e');
        const bool tiny = ePos != std::string::npos && number.find('-', ePos) != std::string::npos;
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    if (error != std::errc() || end != last) return 0.0;
    return value;
}

}  // namespace

// leading number of a text, blanks ignored
double LeadingNumber(std::string_view text) {
    // The usual number stands in one piece: sign, digits, point, digits, exponent, and
    // after it (blanks aside) nothing that could continue it. ReadDouble reads that
    // piece where it lies; anything else is gathered first, blanks left out.
    std::size_t i = 0;
    while (i < text.size() && IsNumberBlank(text[i])) ++i;
    std::size_t first = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '+') ++first;  // ReadDouble takes no plus sign
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return GatheredLeadingNumber(text);
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j >= text.size() || !IsDigit(text[j])) return GatheredLeadingNumber(text);
        while (j < text.size() && IsDigit(text[j])) ++j;
        i = j;
    }
    const std::size_t end = i;
    while (i < text.size() && IsNumberBlank(text[i])) ++i;
    if (i < text.size() &&
        (IsDigit(text[i]) || text[i] == '.' || text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        return GatheredLeadingNumber(text);
    }
    double value = 0.0;
    const auto [stop, error] = ReadDouble(text.data() + first, text.data() + end, value);
    if (error != std::errc() || stop != text.data() + end) return GatheredLeadingNumber(text);
    return value;
}

}  // namespace kelvarin
