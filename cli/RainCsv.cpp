#include "cli/RainCsv.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// the cell without the blanks and tabs around it
std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// the separator the header line uses most outside quotes; tab before ';' before ',' on a tie
char ChooseSeparator(const std::string& line) {
    std::array<std::pair<char, long>, 3> counts = {{{'\t', 0}, {';', 0}, {',', 0}}};
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        for (auto& [separator, count] : counts)
            if (c == separator) ++count;
    }
    const auto best = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    return best->second > 0 ? best->first : '\0';
}

}  // namespace

RainCsvReader::RainCsvReader(std::istream& in, std::string fileName) : in_(in), fileName_(std::move(fileName)) {
    bool first = true;
    while (ReadLine(line_)) {
        if (first && line_.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
            line_.erase(0, kByteOrderMark.size());
        first = false;
        if (!line_.empty()) break;
    }
    if (line_.empty()) throw RainFileError(fileName_ + ": the file is empty: expected a header line");
    const long headerRow = line_number_;
    // a quoted header field may hold line breaks: the header is complete when its quotes pair up
    std::string more;
    while (std::count(line_.begin(), line_.end(), '"') % 2 != 0 && ReadLine(more)) line_ += "\n" + more;
    separator_ = ChooseSeparator(line_);
    if (separator_ == '\0')
        throw RainFileError(fileName_ + ": row " + std::to_string(headerRow) +
                            ": the header has no ',', ';' or tab: expected the time column and one column per gauge");
    // the header line is already in line_; ReadRecord splits what it holds first
    std::vector<std::string> header;
    pending_ = true;
    ReadRecord(header);
    row_ = headerRow;
    header_ = std::move(header);
}

bool RainCsvReader::ReadLine(std::string& line) {
    if (!std::getline(in_, line)) return false;
    bytes_ += line.size() + 1;
    ++line_number_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool RainCsvReader::ReadRecord(std::vector<std::string>& fields) {
    if (pending_) {
        pending_ = false;
    } else {
        do {
            if (!ReadLine(line_)) return false;
        } while (line_.empty());
    }
    row_ = line_number_;
    fields.clear();
    fields.emplace_back();
    bool quoted = false;  // inside a quoted field
    bool atStart = true;  // nothing of this field read yet
    for (std::size_t i = 0;; ++i) {
        if (i == line_.size()) {
            if (!quoted) break;
            // a quoted field holds the line break and goes on on the next line
            if (!ReadLine(line_))
                throw RainFileError(fileName_ + ": row " + std::to_string(row_) + ", column " +
                                    std::to_string(fields.size()) + ": a quoted field never closes");
            fields.back() += '\n';
            i = static_cast<std::size_t>(-1);
            continue;
        }
        const char c = line_[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line_.size() && line_[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == separator_) {
            fields.emplace_back();
            atStart = true;
            continue;
        } else if (c == '"' && atStart) {
            quoted = true;
        } else {
            fields.back() += c;
        }
        atStart = false;
    }
    return true;
}

bool RainCsvReader::Next(std::vector<std::string>& fields) {
    if (!ReadRecord(fields)) return false;
    if (fields.size() != header_.size())
        throw RainFileError(fileName_ + ": row " + std::to_string(row_) + ": " + std::to_string(fields.size()) +
                            " fields, but the header has " + std::to_string(header_.size()));
    return true;
}

std::string RainCsvReader::Where(std::size_t column) const {
    return fileName_ + ": row " + std::to_string(row_) + ", column " + std::to_string(column + 1) + " (" +
           header_.at(column) + ")";
}

RainCells::RainCells(const std::vector<std::string>& declaredMissing) {
    for (const std::string& text : declaredMissing) {
        texts_.emplace_back(Trimmed(text));
        if (const auto number = ParseNumber(text)) numbers_.push_back(*number);
    }
}

std::optional<double> RainCells::Read(std::string_view cell) const {
    cell = Trimmed(cell);
    if (cell.empty() || EqualNoCase(cell, "NA") || EqualNoCase(cell, "NaN")) return std::nullopt;
    if (!texts_.empty() && std::find(texts_.begin(), texts_.end(), cell) != texts_.end()) return std::nullopt;
    const auto value = ParseNumber(cell);
    if (value && std::find(numbers_.begin(), numbers_.end(), *value) != numbers_.end()) return std::nullopt;
    if (!value)
        throw RainFileError("\"" + std::string(cell) +
                            "\" is not a number; declare it with --missing if it means no record");
    if (*value < 0.0)
        throw RainFileError("\"" + std::string(cell) +
                            "\" is negative; declare it with --missing if it means no record");
    return value;
}

std::optional<double> ParseNumber(std::string_view cell) {
    cell = Trimmed(cell);
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    // ReadDouble reads no hexadecimal in this format, and only the C locale's '.'
    double value = 0.0;
    const auto [end, error] = ReadDouble(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || error != std::errc() || end != cell.data() + cell.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace kelvarin
