#pragma once
// The CSV that kelvarin-cli prints, read back by the tests: records split into fields (double
// quotes undone), and full-precision numbers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace kelvarin::testing {

// one CSV record split into fields, double quotes undone
inline std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

inline std::vector<std::vector<std::string>> CsvRecords(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) records.push_back(CsvFields(line));
    return records;
}

// a full-precision number of the CSV; a failure names a cell that is none
inline double Value(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    EXPECT_TRUE(!text.empty() && *end == '\0') << "not a number: \"" << text << "\"";
    return value;
}

}  // namespace kelvarin::testing
