// The rain-file reader against a plain writer: random tables written with every
// separator, quoting, byte-order mark and line end read back field for field.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/RainCsv.hpp"

namespace kelvarin {
namespace {

// a field as a careful writer puts it: quoted when it holds a separator of any kind, a quote or a line break
std::string Written(const std::string& text) {
    if (text.find_first_of(",;\t\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// a random field: pieces of plain text, separators, quotes, blanks, line breaks and Chinese
std::string RandomField(std::mt19937& random) {
    static const std::vector<std::string> pieces = {"a", "KV01", "12.5", " ", ",", ";", "\t", "\"", "\n", "雨量", "-"};
    std::string field;
    const int length = static_cast<int>(random() % 5);
    for (int k = 0; k < length; ++k) field += pieces[random() % pieces.size()];
    return field;
}

TEST(RainCsvReader, ReadsBackEveryRandomTable) {
    std::mt19937 random(7);
    const char separators[] = {',', ';', '\t'};
    for (int round = 0; round < 300; ++round) {
        const char separator = separators[round % 3];
        const bool mark = random() % 2 == 0;
        const std::string lineEnd = random() % 2 ? "\r\n" : "\n";
        const std::size_t columns = 2 + random() % 5;
        std::vector<std::vector<std::string>> table(1 + random() % 6, std::vector<std::string>(columns));
        std::string text = mark ? "\xEF\xBB\xBF" : "";
        for (std::size_t r = 0; r < table.size(); ++r) {
            for (std::size_t c = 0; c < columns; ++c) {
                // the header names its columns; the records may hold anything, but a record
                // of one empty field would be an empty line, which the reader skips
                table[r][c] = r == 0 ? "g" + std::to_string(c) + RandomField(random) : RandomField(random);
                text += (c ? std::string(1, separator) : "") + Written(table[r][c]);
            }
            text += lineEnd;
            if (random() % 4 == 0) text += lineEnd;  // empty lines between records are skipped
        }
        SCOPED_TRACE(text);
        std::istringstream in(text);
        RainCsvReader reader(in, "rain.csv");
        EXPECT_EQ(reader.Separator(), separator);
        EXPECT_EQ(reader.Header(), table[0]);
        std::vector<std::string> fields;
        for (std::size_t r = 1; r < table.size(); ++r) {
            ASSERT_TRUE(reader.Next(fields)) << "record " << r;
            EXPECT_EQ(fields, table[r]);
        }
        EXPECT_FALSE(reader.Next(fields));
        EXPECT_EQ(reader.BytesRead(), text.size());
    }
}

TEST(RainCells, NumbersMissingValuesAndBadCells) {
    const RainCells cells({"-9999", "M"});
    for (const char* missing : {"", "  ", "NA", "na", "NaN", "nan", " NA ", "-9999", "-9999.00", "-9.999e3", "M"})
        EXPECT_EQ(cells.Read(missing), std::nullopt) << "\"" << missing << "\"";
    EXPECT_EQ(cells.Read("0"), 0.0);
    EXPECT_EQ(cells.Read(" 12.5 "), 12.5);
    EXPECT_EQ(cells.Read("+3"), 3.0);
    EXPECT_EQ(cells.Read("1e2"), 100.0);
    EXPECT_EQ(cells.Read("-0"), 0.0);
    for (const char* bad : {"-1", "-9998", "m", "x", "1,5", "0x10", "inf", "-nan", "1 2", "12.5mm", "++1", "."})
        EXPECT_THROW(cells.Read(bad), RainFileError) << "\"" << bad << "\"";
}

}  // namespace
}  // namespace kelvarin
