#include "host/win32/modStartUp.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

namespace kelvarin {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// text without blanks at either end
std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view ArgumentsOf(std::string_view commandLine) {
    std::size_t i = 0;
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i < commandLine.size() && commandLine[i] == '"') {
        // a quoted program name ends at the next quote
        const std::size_t close = commandLine.find('"', i + 1);
        i = close == std::string_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

std::string CommandText(std::string_view arguments) {
    std::string text(Trim(arguments));
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

SaverMode SelectMode(std::string_view commandText) {
    if (commandText.empty()) return SaverMode::FullScreen;
    const std::string_view key = commandText.substr(0, 2);
    if (key == "/p") return SaverMode::Preview;
    if (key == "/c") return SaverMode::Configure;
    if (key == "/s") return SaverMode::FullScreen;
    return SaverMode::None;
}

bool IsNumericText(std::string_view text) {
    text = Trim(text);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == text.size();
}

std::int32_t ParseParentWindow(std::string_view commandText) {
    const std::string_view text = Trim(commandText);
    for (std::size_t c = text.size(); c >= 1; --c) {
        const std::string_view tail = text.substr(text.size() - c);
        if (!IsNumericText(tail)) continue;
        const double value = std::trunc(std::strtod(std::string(Trim(tail)).c_str(), nullptr));
        // beyond what 64 bits hold there is no handle to keep the low bits of
        if (!std::isfinite(value) || std::abs(value) >= 9.2e18) return 0;
        const auto whole = static_cast<std::int64_t>(value);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
    }
    return 0;
}

}  // namespace kelvarin
