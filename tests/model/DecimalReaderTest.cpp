// The hand-made reader the browser build uses is held to std::from_chars of this build:
// the same end, the same error and the same bits for every text.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

// fails with the text when the two readers disagree on it
void ExpectSameAsFromChars(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    double expected = -12345.0, actual = -12345.0;
    const auto want = std::from_chars(first, last, expected);
    const auto got = ReadDoubleByStrtod(first, last, actual);
    ASSERT_EQ(got.ptr - first, want.ptr - first) << "end of \"" << text << '"';
    ASSERT_EQ(static_cast<int>(got.ec), static_cast<int>(want.ec)) << "error of \"" << text << '"';
    if (std::isnan(expected)) {
        ASSERT_TRUE(std::isnan(actual)) << text;
        ASSERT_EQ(std::signbit(actual), std::signbit(expected)) << text;
    } else {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected))
            << "\"" << text << "\": " << actual << " vs " << expected;
    }
}

template <typename... Values>
std::string Printed(const char* format, Values... values) {
    char text[128];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

TEST(DecimalReader, EdgesOfTheGrammarAndTheRange) {
    for (const char* text : {"0",
                             "-0",
                             "1",
                             "-1.5",
                             "1.",
                             ".5",
                             "-.5",
                             ".",
                             "-",
                             "",
                             "+1",
                             " 1",
                             "1 ",
                             "0x10",
                             "1e",
                             "1e+",
                             "1e-",
                             "1E5",
                             "1e+05x",
                             "12.34.56",
                             "00012",
                             "1e400",
                             "-1e400",
                             "1e-400",
                             "-1e-400",
                             "4e-320",
                             "2.4703282292062327e-324",
                             "2.4703282292062328e-324",
                             "4.9406564584124654e-324",
                             "2.2250738585072011e-308",
                             "2.2250738585072014e-308",
                             "1.7976931348623157e308",
                             "1.7976931348623158e308",
                             "1.7976931348623159e308",
                             "0e999999",
                             "0.000e-999999999999",
                             "1e-999999999999",
                             "1e999999999999",
                             "9007199254740993",
                             "9007199254740992.5",
                             "inf",
                             "-INF",
                             "infinity",
                             "-Infinit",
                             "infx",
                             "nan",
                             "NaN",
                             "-nan",
                             "nan(abc_12)",
                             "nan(",
                             "nan()",
                             "nan(a b)",
                             "in",
                             "n",
                             "e5",
                             "-e5",
                             "123456789012345678901234567890",
                             "0.1e-1x"})
        ExpectSameAsFromChars(text);
}

TEST(DecimalReader, RandomDoublesInEveryNotation) {
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<std::uint64_t> bits;
    std::uniform_int_distribution<int> digits(1, 25);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::bit_cast<double>(bits(random));
        if (!std::isfinite(value)) continue;
        ExpectSameAsFromChars(Printed("%.17g", value));
        ExpectSameAsFromChars(Printed("%.*e", digits(random), value));
        // texts close to halfway between two neighbouring doubles test the rounding itself
        const long double middle =
            (static_cast<long double>(value) + std::nextafter(value, std::numeric_limits<double>::infinity())) / 2;
        ExpectSameAsFromChars(Printed("%.30Le", middle));
    }
}

TEST(DecimalReader, CoordinatesAsScenesWriteThem) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coordinate(-1e7, 1e7);
    std::uniform_int_distribution<int> decimals(0, 9);
    for (int i = 0; i < 20000; ++i) {
        ExpectSameAsFromChars(Printed("%.*f", decimals(random), coordinate(random)));
        ExpectSameAsFromChars(Printed("%.*f", decimals(random), coordinate(random)) + ",");
    }
}

TEST(DecimalReader, ReadDoubleIsTheReaderOfThisBuild) {
    const std::string text = "271828.18284590452353602874e-5,";
    double value = 0.0;
    const auto read = ReadDouble(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(read.ec, std::errc());
    EXPECT_EQ(*read.ptr, ',');
    EXPECT_EQ(value, 2.7182818284590452353602874);
}

}  // namespace
}  // namespace kelvarin
