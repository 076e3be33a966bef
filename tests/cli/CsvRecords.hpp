#pragma once
// CSV text as the tests read it back: records split into fields, double quotes undone.

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

}  // namespace kelvarin::testing
