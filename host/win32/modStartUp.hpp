#pragma once
// Start-up: which mode the command line asks for. Pure text handling, so that the
// rules can be tested on their own; the entry procedure acts on the result.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarin {

enum class SaverMode {
    FullScreen,  // "/s" or no arguments
    Preview,     // "/p" and a parent window handle
    Configure,   // "/c", with or without a window handle after it
    None,        // anything else ("/a" included): end at once without a window
};

// The configuration message and its title.
inline constexpr const char* kConfigureText = "本螢幕保護程式目前尚未加入任何設定選項";
inline constexpr const char* kConfigureTitle = "警告訊息";

// the arguments of a whole process command line: the program name (quoted or not) and
// the blanks after it removed
std::string_view ArgumentsOf(std::string_view commandLine);

// the command text: arguments trimmed of blanks and lower-cased (ASCII)
std::string CommandText(std::string_view arguments);

// the mode of a command text; the switch is its first two characters
SaverMode SelectMode(std::string_view commandText);

// whether a text is a valid number: blanks around it, an optional sign, digits with at
// most one decimal point (at least one digit), an optional exponent
bool IsNumericText(std::string_view text);

// The longest numeric tail of the command text, truncated to 32 bits: "/p 1234",
// "/p:1234" and "/p1234" all give 1234, "/p 00123" gives 123; 0 when there is none.
// A number beyond 32 bits keeps its low 32 bits, as a window handle written out
// unsigned does.
std::int32_t ParseParentWindow(std::string_view commandText);

}  // namespace kelvarin
