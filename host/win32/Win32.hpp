#pragma once
// <windows.h> for the Windows host, included in one place. Kelvarin's colour helper is
// declared first, because the system header defines RGB as a macro; the macros that
// would rename Kelvarin's own members (MessageBox, DrawText) are taken back after it.

#include "model/Color.hpp"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef RGB
#undef MessageBox
#undef DrawText

#include <string>
#include <string_view>

namespace kelvarin::win32 {

// UTF-8 text as the system's UTF-16
std::wstring Widen(std::string_view utf8);
// UTF-16 text as UTF-8
std::string Narrow(std::wstring_view wide);

}  // namespace kelvarin::win32
