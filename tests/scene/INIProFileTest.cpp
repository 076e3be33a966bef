#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TempFile.hpp"
#include "scene/INIProFile.hpp"

namespace kelvarin {
namespace {

using testing::TempFile;

const std::filesystem::path kRules = std::filesystem::path(KELVARIN_TEST_DATA) / "profile_rules.ini";
constexpr int kBoth = SectionLineOptions::CutComments | SectionLineOptions::DropBlankLines;

// the lines of an array as a vector, for comparison
std::vector<std::string> LinesOf(const Array1<std::string>& lines) {
    EXPECT_EQ(lines.LBound(), 1);
    return lines.Values();
}

TEST(ReadProfileSection, MatchesTheWindowsProfileServices) {
    // (1,2,3), a ";" comment, "rem x", a blank line, "  (4, 5, 6)  " and "key = val"
    const std::string expected("(1,2,3)\0rem x\0(4, 5, 6)\0key=val\0", 32);
    EXPECT_EQ(ReadProfileSection("Points", kRules), expected);
    EXPECT_EQ(ReadProfileSection("pOINTS", kRules), expected);
}

TEST(ReadProfileSection, MissingSectionOrFileGivesEmptyText) {
    EXPECT_EQ(ReadProfileSection("Nowhere", kRules), "");
    EXPECT_EQ(ReadProfileSection("Points", std::filesystem::path(KELVARIN_TEST_DATA) / "no-such-file.ini"), "");
    EXPECT_EQ(ReadProfileSection("S", ProfileFile::FromText("[S]\n\n; only a comment\n")), "");
}

TEST(ReadProfileString, BlanksAreTrimmedAndMatchingQuotesRemoved) {
    EXPECT_EQ(ReadProfileString("Values", "Plain", "", kRules), "spaced value");
    EXPECT_EQ(ReadProfileString("Values", "Quoted", "", kRules), "  kept blanks  ");
    EXPECT_EQ(ReadProfileString("Values", "Single", "", kRules), "one");
    EXPECT_EQ(ReadProfileString("Values", "Mixed", "", kRules), "\"not matched'");
}

TEST(ReadProfileString, NamesAreComparedWithoutCase) {
    EXPECT_EQ(ReadProfileString("VALUES", "plain", "", kRules), "spaced value");
    // the section header "[ Values ]" names the section Values
    EXPECT_EQ(ReadProfileString("values", "SINGLE", "", kRules), "one");
}

TEST(ReadProfileString, DefaultOnlyWhenTheKeyIsMissing) {
    EXPECT_EQ(ReadProfileString("Values", "Empty", "fallback", kRules), "");
    EXPECT_EQ(ReadProfileString("Values", "Absent", "fallback", kRules), "fallback");
    EXPECT_EQ(ReadProfileString("Values", "Absent", "fallback   ", kRules), "fallback");
    EXPECT_EQ(ReadProfileString("Nowhere", "Plain", "", kRules), "");
    // a commented-out key is no key; keys before the first section belong to none
    EXPECT_EQ(ReadProfileString("Values", "hidden", "d", kRules), "d");
    EXPECT_EQ(ReadProfileString("", "orphan", "d", kRules), "d");
}

TEST(ReadProfileString, FirstSectionAndFirstKeyWin) {
    EXPECT_EQ(ReadProfileString("Values", "plain", "", kRules), "spaced value");
    EXPECT_EQ(ReadProfileString("Values", "Extra", "d", kRules), "d");
}

TEST(ReadProfileString, HeaderEndsAtTheFirstBracket) {
    EXPECT_EQ(ReadProfileString("First", "k", "", kRules), "v");
    EXPECT_EQ(ReadProfileString("First]Second", "k", "d", kRules), "d");
    // "[Broken" has no "]": it is an ordinary line, not a header
    EXPECT_FALSE(ProfileFile::Read(kRules).FindSection("Broken").has_value());
}

TEST(ReadProfileString, ValueLongerThanTheBufferIsReturnedWhole) {
    const std::string longValue(20000, 'x');
    TempFile file("[S]\nk=" + longValue + "\n");
    EXPECT_EQ(ReadProfileString("S", "k", "", file.Path(), 16), longValue);
}

TEST(ReadProfileInt, FollowsTheProfileServicesRules) {
    EXPECT_EQ(ReadProfileInt("Values", "number", 7, kRules), 42);
    EXPECT_EQ(ReadProfileInt("Values", "letter", 7, kRules), 0);
    EXPECT_EQ(ReadProfileInt("Values", "Empty", 7, kRules), 7);
    EXPECT_EQ(ReadProfileInt("Values", "Absent", 7, kRules), 7);
    EXPECT_EQ(ReadProfileInt("Values", "negative", 7, kRules), -17);
    EXPECT_EQ(ReadProfileInt("Values", "huge", 7, kRules), INT_MAX);
    const ProfileFile quoted = ProfileFile::FromText("[S]\nn=\"12\"\nm=-99999999999\n");
    EXPECT_EQ(ReadProfileInt("S", "n", 0, quoted), 12);
    EXPECT_EQ(ReadProfileInt("S", "m", 0, quoted), INT_MIN);
}

TEST(ReadProfileSectionLines, BothOptionsKeepTheOrderOfTheRemainingLines) {
    // regression: dropping a blank line must not move the last line into its place
    const ProfileFile profile = ProfileFile::FromText("[S]\nA\nrem a comment\nB\nC\n");
    EXPECT_EQ(LinesOf(ReadProfileSectionLines("S", profile, kBoth)), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(ReadProfileSectionLines, OrderKeptWhateverTheBlankLinesStandBetween) {
    // every arrangement of kept lines and comment lines keeps the kept lines in file order
    for (unsigned mask = 0; mask < 64; ++mask) {
        std::string text = "[S]\n";
        std::vector<std::string> expected;
        for (int i = 0; i < 6; ++i) {
            if (mask & (1u << i)) {
                text += "rem line " + std::to_string(i) + "\n";
            } else {
                text += "P" + std::to_string(i) + "\n";
                expected.push_back("P" + std::to_string(i));
            }
        }
        const Array1<std::string> lines = ReadProfileSectionLines("S", ProfileFile::FromText(text), kBoth);
        EXPECT_EQ(lines.Values(), expected) << "mask " << mask;
    }
}

TEST(ReadProfileSectionLines, CommentMarkersCutTheLine) {
    const ProfileFile profile = ProfileFile::FromText("[S]\n(1,2,3) ' a note\n(4,5,6) REM upper case\nrem x\nA'B\n");
    EXPECT_EQ(LinesOf(ReadProfileSectionLines("S", profile, SectionLineOptions::CutComments)),
              (std::vector<std::string>{"(1,2,3) ", "(4,5,6) ", "", "A'B"}));
    EXPECT_EQ(LinesOf(ReadProfileSectionLines("S", profile, 0)),
              (std::vector<std::string>{"(1,2,3) ' a note", "(4,5,6) REM upper case", "rem x", "A'B"}));
    // without bit 0 a "rem" line is not blank, so bit 1 keeps it
    EXPECT_EQ(ReadProfileSectionLines("S", profile, SectionLineOptions::DropBlankLines).Count(), 4);
}

TEST(ReadProfileSectionLines, EmptyAndAllCommentSections) {
    const ProfileFile profile = ProfileFile::FromText("[Empty]\n[Notes]\nrem one\n' two\n");
    const Array1<std::string> missing = ReadProfileSectionLines("Missing", profile, kBoth);
    ASSERT_EQ(missing.Count(), 1);
    EXPECT_EQ(missing(1), "");
    EXPECT_EQ(ReadProfileSectionLines("Empty", profile, kBoth).Count(), 1);
    EXPECT_EQ(ReadProfileSectionLines("Notes", profile, kBoth).Count(), 0);
}

TEST(ReadProfileSectionLines, SectionLongerThanTheBufferIsReturnedWhole) {
    // 500 lines of 41 characters: far beyond a 16384-character buffer
    std::string text = "[CenterPoint]\n";
    for (int i = 1; i <= 500; ++i) text += "(" + std::to_string(250000 + i) + ".125,2650000.5,1234.5678901)\n";
    TempFile file(text);
    const Array1<std::string> lines = ReadProfileSectionLines("CenterPoint", file.Path(), kCenterPointBuffer, kBoth);
    ASSERT_EQ(lines.Count(), 500);
    EXPECT_GT(ReadProfileSection("CenterPoint", file.Path(), kCenterPointBuffer).size(), kCenterPointBuffer);
    for (long i = 1; i <= 500; ++i) {
        EXPECT_EQ(lines(i), "(" + std::to_string(250000 + i) + ".125,2650000.5,1234.5678901)");
    }
}

TEST(ProfileFile, LineEndsAndNumbering) {
    const ProfileFile profile = ProfileFile::FromText("[S]\r\nk = v \r\n\r\nlast");
    EXPECT_EQ(profile.LineCount(), 4);
    EXPECT_EQ(profile.Line(2), "k = v ");
    EXPECT_EQ(profile.Line(4), "last");
    EXPECT_EQ(ReadProfileString("S", "k", "", profile), "v");
    EXPECT_EQ(profile.FindKey("S", "K"), 2);
    EXPECT_THROW(static_cast<void>(profile.Line(5)), std::out_of_range);
    EXPECT_THROW(static_cast<void>(profile.Line(0)), std::out_of_range);
}

// The profile rules read line by line from the top for every question, as the reader
// once did: the judge of the indexed reader.
class LineByLineProfile {
  public:
    explicit LineByLineProfile(std::string_view text) {
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = text.size();
            lines_.emplace_back(text.substr(start, end - start));
            start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
        }
    }
    const std::vector<std::string>& Lines() const { return lines_; }
    // header line (from 0) of the first section of that name, and one past its last line
    std::optional<std::pair<std::size_t, std::size_t>> Section(std::string_view name) const {
        std::optional<std::pair<std::size_t, std::size_t>> found;
        for (std::size_t n = 0; n < lines_.size(); ++n) {
            const std::string_view trimmed = TrimBlanks(lines_[n]);
            if (trimmed.empty() || trimmed.front() != '[' || trimmed.find(']') == std::string_view::npos) continue;
            if (found) return std::pair{found->first, n};
            if (LowerAscii(TrimBlanks(trimmed.substr(1, trimmed.find(']') - 1))) == LowerAscii(name))
                found = std::pair{n, lines_.size()};
        }
        return found;
    }
    std::string Text(std::string_view name) const {
        std::string text;
        const auto section = Section(name);
        for (std::size_t n = section ? section->first + 1 : 0; section && n < section->second; ++n) {
            const std::string_view trimmed = TrimBlanks(lines_[n]);
            if (trimmed.empty() || trimmed.front() == ';') continue;
            const std::size_t equals = trimmed.find('=');
            text += equals == std::string_view::npos ? std::string(trimmed)
                                                     : std::string(TrimBlanks(trimmed.substr(0, equals))) + "=" +
                                                           std::string(TrimBlanks(trimmed.substr(equals + 1)));
            text += '\0';
        }
        return text;
    }
    std::optional<long> Key(std::string_view name, std::string_view key) const {
        const auto section = Section(name);
        for (std::size_t n = section ? section->first + 1 : 0; section && n < section->second; ++n) {
            const std::string_view trimmed = TrimBlanks(lines_[n]);
            if (trimmed.empty() || trimmed.front() == ';' || trimmed.find('=') == std::string_view::npos) continue;
            if (LowerAscii(TrimBlanks(trimmed.substr(0, trimmed.find('=')))) == LowerAscii(key))
                return static_cast<long>(n + 1);
        }
        return std::nullopt;
    }
    std::optional<long> Find(std::string_view text, long from) const {
        for (long n = std::max(from, 1L); n <= static_cast<long>(lines_.size()); ++n)
            if (LowerAscii(lines_[static_cast<std::size_t>(n - 1)]) == LowerAscii(text)) return n;
        return std::nullopt;
    }

  private:
    std::vector<std::string> lines_;
};

// the section's lines as ReadProfileSectionLines states them, from the section text
std::vector<std::string> SectionLinesByRule(const std::string& text, int options) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size(); start = text.find('\0', start) + 1) {
        std::string line = text.substr(start, text.find('\0', start) - start);
        if (options & SectionLineOptions::CutComments)
            line.resize(std::min({line.size(), LowerAscii(line).find("rem "), line.find("' ")}));
        if (!(options & SectionLineOptions::DropBlankLines) || !TrimBlanks(line).empty()) lines.push_back(line);
    }
    if (text.empty()) lines.assign(1, "");
    return lines;
}

TEST(ProfileFile, AnswersEveryQuestionAsReadingLineByLineDoes) {
    const std::vector<std::string> names = {"A", "a", "B", "Polygon1", "CenterPoint", "x y", ""};
    const std::vector<std::string> keys = {"k", "K", "Name", "x y", ""};
    const std::vector<std::string> pool = {
        "[A]",        "[a]",     " [B] ",       "[ Polygon1 ]",  "[CENTERPOINT]", "[x y]",        "[]", "[A] tail",
        "[B",         "x[A]",    "k=v",         "K = \"q\" ",    "Name='n'",      " x y =  1 2 ", "=",  "k==",
        "; k=hidden", "rem k=1", "(1,2,3) ' c", "(4,5,6) REM c", "A'B",           "rem",          "'",  "",
        "   ",        "\t",      "plain line",  "Rem  =x",       "[rainstation]", "[RainStation]"};
    std::mt19937 random(115);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int lines = static_cast<int>(random() % 30);
        for (int k = 0; k < lines; ++k) {
            text += pool[random() % pool.size()];
            if (k + 1 < lines || random() % 2) text += std::vector<std::string>{"\n", "\r\n", "\r"}[random() % 3];
        }
        SCOPED_TRACE(text);
        const ProfileFile profile = ProfileFile::FromText(text);
        const LineByLineProfile judge(text);
        ASSERT_EQ(profile.LineCount(), static_cast<long>(judge.Lines().size()));
        for (long n = 1; n <= profile.LineCount(); ++n) {
            EXPECT_EQ(profile.Line(n), judge.Lines()[static_cast<std::size_t>(n - 1)]);
            for (const long from : {1L, n, n + 1})
                EXPECT_EQ(profile.FindLine(profile.Line(n), from), judge.Find(profile.Line(n), from));
        }
        for (const std::string& name : names) {
            const auto section = judge.Section(name);
            EXPECT_EQ(profile.FindSection(name), section ? std::optional<long>(section->first + 1) : std::nullopt);
            EXPECT_EQ(ReadProfileSection(name, profile), judge.Text(name)) << name;
            for (int options = 0; options < 4; ++options)
                EXPECT_EQ(LinesOf(ReadProfileSectionLines(name, profile, options)),
                          SectionLinesByRule(judge.Text(name), options));
            for (const std::string& key : keys) EXPECT_EQ(profile.FindKey(name, key), judge.Key(name, key));
            EXPECT_EQ(profile.FindLine("[" + name + "]"), judge.Find("[" + name + "]", 1));
        }
    }
}

TEST(ProfileFile, ReadsABig5File) {
    const ProfileFile profile = ProfileFile::Read(std::filesystem::path(KELVARIN_TEST_DATA) / "scene_big5.ini");
    ASSERT_TRUE(profile.Exists());
    EXPECT_EQ(profile.Encoding(), TextEncoding::Cp950);
    EXPECT_EQ(ReadProfileString("Polygon1", "Name", "", profile), "雲嶺");
    EXPECT_TRUE(profile.FindSection("雲嶺").has_value());
}

}  // namespace
}  // namespace kelvarin
