#pragma once
// How the scene checks write values into their messages, the same in every check.

#include <cstdio>
#include <string>
#include <string_view>

#include "model/cPoint.hpp"

namespace kelvarin::check_messages {

// a number as a message shows it: up to 10 significant digits
inline std::string Num(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

inline std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

inline std::string PointText(const cPoint& p) { return "(" + Num(p.X) + ", " + Num(p.Y) + ")"; }

}  // namespace kelvarin::check_messages
