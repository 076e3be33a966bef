#pragma once
// Text helpers for the command's tables: CSV fields and terminal column widths.

#include <cstddef>
#include <string>

namespace kelvarin {

// a CSV field, quoted when it holds a separator, a quote or a line break
std::string CsvField(const std::string& text);

// columns a UTF-8 text takes on a terminal: East Asian wide characters take two
std::size_t DisplayWidth(const std::string& text);

// the text followed by blanks up to the given number of terminal columns (at least one blank)
std::string PadRight(const std::string& text, std::size_t columns);

}  // namespace kelvarin
