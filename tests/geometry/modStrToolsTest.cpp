#include <gtest/gtest.h>

#include <cmath>

#include "geometry/modStrTools.hpp"

namespace kelvarin {
namespace {

TEST(GetToken, CollapsingMakesARunOfDelimitersOneSeparator) {
    EXPECT_EQ(GetToken("A  B", " ", 2, true), "B");
    EXPECT_EQ(GetToken("A  B", " ", 2, false), "");
    EXPECT_EQ(GetToken("A  B", " ", 3, false), "B");
    EXPECT_EQ(GetToken("  A B", " ", 1, true), "A");
}

TEST(GetToken, FieldsBeyondTheLastAreEmpty) {
    EXPECT_EQ(GetToken("1,2", ",", 3, true), "");
    EXPECT_EQ(GetToken("1,2", ",", 2, true), "2");
    EXPECT_EQ(GetToken("", ",", 1, false), "");
}

TEST(GetToken, LeadingDelimiterGivesAnEmptyFirstFieldWithoutCollapsing) {
    EXPECT_EQ(GetToken(" A001 12", " ", 1, false), "");
    EXPECT_EQ(GetToken(" A001 12", " ", 2, false), "A001");
    EXPECT_EQ(GetToken(",5", ",", 1, false), "");
}

TEST(GetToken, MultiCharacterAndEmptyDelimiters) {
    EXPECT_EQ(GetToken("a::b::c", "::", 3, false), "c");
    EXPECT_EQ(GetToken("a::::b", "::", 2, true), "b");
    EXPECT_EQ(GetToken("abc", "", 1, true), "abc");
    EXPECT_EQ(GetToken("abc", "", 2, true), "");
}

TEST(GetToken, AgreesWithGetTokensForEveryField) {
    for (const char* text : {"a,b,,c", ",,x,", "1, 2 ,3", "", ",", "one"}) {
        for (bool collapse : {false, true}) {
            const std::vector<std::string> all = GetTokens(text, ",", collapse);
            for (std::size_t n = 1; n <= all.size(); ++n) {
                EXPECT_EQ(GetToken(text, ",", static_cast<long>(n), collapse), all[n - 1])
                    << text << " field " << n << " collapse " << collapse;
            }
        }
    }
    EXPECT_EQ(GetTokens("1,2,", ",", false), (std::vector<std::string>{"1", "2"}));
    // a field number below 1 asks for the whole list
    for (long n : {0L, -3L}) {
        EXPECT_TRUE(GetToken("1,2,", ",", n, false) == (std::vector<std::string>{"1", "2"}));
        EXPECT_TRUE(GetToken("a,,b", ",", n, true) == (std::vector<std::string>{"a", "b"}));
        EXPECT_TRUE(GetToken("a,,b", ",", n, false) == (std::vector<std::string>{"a", "", "b"}));
    }
}

TEST(TextBetween, FindsTheFirstPairOfMarks) {
    EXPECT_EQ(TextBetween("x (1,2,3) y", "(", ")"), "1,2,3");
    EXPECT_EQ(TextBetween("x 1,2) y", "(", ")"), "");
    EXPECT_EQ(TextBetween("x (1,2 y", "(", ")"), "");
    EXPECT_EQ(TextBetween(") (a) (b)", "(", ")"), "a");
    EXPECT_EQ(TextBetween("()", "(", ")"), "");
}

TEST(LeadingNumber, BlanksAnywhereAreIgnored) {
    EXPECT_DOUBLE_EQ(LeadingNumber(" 1 000.5 "), 1000.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("- 2 5"), -25.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("2650 123.25"), 2650123.25);
}

TEST(LeadingNumber, StopsAtTheFirstCharacterThatCannotContinue) {
    EXPECT_DOUBLE_EQ(LeadingNumber("42A"), 42.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("3.5.7"), 3.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("12e"), 12.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("12e+"), 12.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1.5e3m"), 1500.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("2D2"), 200.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("+.25"), 0.25);
    EXPECT_DOUBLE_EQ(LeadingNumber("7."), 7.0);
}

TEST(LeadingNumber, TextWithoutANumberGivesZero) {
    EXPECT_EQ(LeadingNumber(""), 0.0);
    EXPECT_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_EQ(LeadingNumber("-"), 0.0);
    EXPECT_EQ(LeadingNumber("."), 0.0);
    EXPECT_EQ(LeadingNumber("A42"), 0.0);
}

TEST(LeadingNumber, OutOfRangeValuesAreInfiniteOrZero) {
    EXPECT_TRUE(std::isinf(LeadingNumber("1e999")));
    EXPECT_LT(LeadingNumber("-1e999"), 0.0);
    EXPECT_EQ(LeadingNumber("1e-999"), 0.0);
}

}  // namespace
}  // namespace kelvarin
