#include "scene/INIProFile.hpp"

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>

namespace kelvarin {

namespace {

// the place of every line of text, "\n", "\r\n" or a lone "\r" (old Macintosh files)
// ending each; a final line end adds no empty line
template <class Span>
std::vector<Span> SplitLines(std::string_view text) {
    std::vector<Span> lines;
    std::size_t start = 0;
    std::size_t nextReturn = text.find('\r');  // most files have none, or one on every line
    while (start < text.size()) {
        if (nextReturn < start) nextReturn = text.find('\r', start);
        const std::size_t end = std::min({text.find('\n', start), nextReturn, text.size()});
        lines.push_back(Span{start, end - start});
        std::size_t next = end + 1;
        if (end < text.size() && text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        start = next;
    }
    return lines;
}

// ASCII comparison without regard to case
bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// a value without one pair of matching quotes around it
std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// a line that the profile services treat as no entry at all
bool IsBlankOrComment(std::string_view trimmed) { return trimmed.empty() || trimmed.front() == ';'; }

// the integer at the start of a profile value (sign, digits), held within the int range
int LeadingInt(std::string_view value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = std::min<long long>(magnitude * 10 + (value[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(signedValue, INT_MIN, INT_MAX));
}

}  // namespace

// ASCII lower case
std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// text without surrounding spaces and tabs
std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// reads and decodes a profile file
ProfileFile ProfileFile::Read(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return ProfileFile::Missing(file);
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return ProfileFile::Missing(file);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    if (stream.bad()) return ProfileFile::Missing(file);
    return FromBytes(std::move(bytes).str(), file);
}

// an empty profile of a file that could not be read
ProfileFile ProfileFile::Missing(const std::filesystem::path& file) {
    ProfileFile profile;
    profile.path_ = file;
    return profile;
}

// a profile over UTF-8 text in memory
ProfileFile ProfileFile::FromText(std::string_view utf8, std::filesystem::path file) {
    ProfileFile profile;
    profile.path_ = std::move(file);
    profile.text_ = std::string(utf8);
    profile.exists_ = true;
    profile.Index();
    return profile;
}

// a profile over a file's bytes, decoded where they lie when they are UTF-8 already
ProfileFile ProfileFile::FromBytes(std::string bytes, std::filesystem::path file) {
    ProfileFile profile;
    profile.encoding_ = DecodeToUtf8InPlace(bytes, file);
    profile.text_ = std::move(bytes);
    profile.path_ = std::move(file);
    profile.exists_ = true;
    profile.Index();
    return profile;
}

// finds the lines and the section headers: a line whose first non-blank is "[" and that holds a "]"
void ProfileFile::Index() {
    lines_ = SplitLines<LineSpan>(text_);
    sections_.clear();
    firstSection_.clear();
    bracketLines_.clear();
    for (long n = 1; n <= LineCount(); ++n) {
        const std::string_view line = Line(n);
        if (!line.empty() && line.front() == '[') bracketLines_[LowerAscii(line)].push_back(n);
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed.front() != '[') continue;
        const std::size_t close = trimmed.find(']');
        if (close == std::string_view::npos) continue;
        if (!sections_.empty()) sections_.back().EndLine = n;
        firstSection_.try_emplace(LowerAscii(TrimBlanks(trimmed.substr(1, close - 1))), sections_.size());
        sections_.push_back(Section{n, n + 1, 0});
    }
    if (!sections_.empty()) sections_.back().EndLine = LineCount() + 1;
}

// line n of the file
std::string_view ProfileFile::Line(long n) const {
    if (n < 1 || n > LineCount()) ThrowIndexError("ProfileFile::Line", n, 1, LineCount());
    const LineSpan& span = lines_[static_cast<std::size_t>(n - 1)];
    return std::string_view(text_).substr(span.Begin, span.Length);
}

// the first section of a name
const ProfileFile::Section* ProfileFile::FirstSection(std::string_view section) const {
    const auto found = firstSection_.find(LowerAscii(section));
    return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

// header line of the first section of a name
std::optional<long> ProfileFile::FindSection(std::string_view section) const {
    if (const Section* s = FirstSection(section)) return s->HeaderLine;
    return std::nullopt;
}

// the lines of the first section of a name
std::optional<std::pair<long, long>> ProfileFile::SectionLines(std::string_view section) const {
    if (const Section* s = FirstSection(section)) return std::pair{s->FirstLine, s->EndLine};
    return std::nullopt;
}

// the section text, NUL after each line
std::string ProfileFile::SectionText(std::string_view section) const {
    std::string text, scratch;
    const Section* s = FirstSection(section);
    if (s == nullptr) return text;
    for (long n = s->FirstLine; n < s->EndLine; ++n) {
        const std::string_view entry = SectionEntry(Line(n), scratch);
        if (entry.empty()) continue;
        text += entry;
        text += '\0';
    }
    return text;
}

// line of a key in the first section of that name
std::optional<long> ProfileFile::FindKey(std::string_view section, std::string_view key) const {
    const Section* s = FirstSection(section);
    if (s == nullptr) return std::nullopt;
    for (long n = s->FirstLine; n < s->EndLine; ++n) {
        const std::string_view trimmed = TrimBlanks(Line(n));
        if (IsBlankOrComment(trimmed)) continue;
        const std::size_t equals = trimmed.find('=');
        if (equals != std::string_view::npos && EqualNoCase(TrimBlanks(trimmed.substr(0, equals)), key)) return n;
    }
    return std::nullopt;
}

// the first line from `from` on that is the given text, case aside
std::optional<long> ProfileFile::FindLine(std::string_view text, long from) const {
    if (!text.empty() && text.front() == '[') {
        const auto found = bracketLines_.find(LowerAscii(text));
        if (found == bracketLines_.end()) return std::nullopt;
        const auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
        if (at == found->second.end()) return std::nullopt;
        return *at;
    }
    for (long n = std::max(from, 1L); n <= LineCount(); ++n) {
        if (EqualNoCase(Line(n), text)) return n;
    }
    return std::nullopt;
}

// a section line's entry in the section text
std::string_view SectionEntry(std::string_view line, std::string& scratch) {
    const std::string_view trimmed = TrimBlanks(line);
    if (IsBlankOrComment(trimmed)) return {};
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return trimmed;
    scratch.assign(TrimBlanks(trimmed.substr(0, equals)));
    scratch += '=';
    scratch += TrimBlanks(trimmed.substr(equals + 1));
    return scratch;
}

// an entry cut before its first "rem " or "' ", case aside: both end in a blank, and the
// first blank that ends one gives the first of them
std::string_view CutSectionComment(std::string_view entry) {
    for (std::size_t blank = entry.find(' '); blank != std::string_view::npos; blank = entry.find(' ', blank + 1)) {
        if (blank >= 1 && entry[blank - 1] == '\'') return entry.substr(0, blank - 1);
        if (blank >= 3 && EqualNoCase(entry.substr(blank - 3, 3), "rem")) return entry.substr(0, blank - 3);
    }
    return entry;
}

// value of a key, trimmed and unquoted
std::optional<std::string> ProfileFile::Value(std::string_view section, std::string_view key) const {
    const std::optional<long> line = FindKey(section, key);
    if (!line) return std::nullopt;
    const std::string_view trimmed = TrimBlanks(Line(*line));
    return std::string(Unquote(TrimBlanks(trimmed.substr(trimmed.find('=') + 1))));
}

// value of a key or the default
std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const ProfileFile& profile) {
    if (std::optional<std::string> value = profile.Value(section, key)) return *value;
    const std::size_t last = defaultValue.find_last_not_of(" \t");
    return std::string(last == std::string_view::npos ? std::string_view() : defaultValue.substr(0, last + 1));
}

// value of a key in a file, or the default
std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::filesystem::path& file, std::size_t /*bufferSize*/) {
    return ReadProfileString(section, key, defaultValue, ProfileFile::Read(file));
}

// raw section text
std::string ReadProfileSection(std::string_view section, const ProfileFile& profile) {
    return profile.SectionText(section);
}

// raw section text of a file
std::string ReadProfileSection(std::string_view section, const std::filesystem::path& file,
                               std::size_t /*bufferSize*/) {
    return ReadProfileSection(section, ProfileFile::Read(file));
}

// the section's lines, comments cut and blank lines dropped as the options ask, order kept
Array1<std::string> ReadProfileSectionLines(std::string_view section, const ProfileFile& profile, int options) {
    const std::string raw = ReadProfileSection(section, profile);
    Array1<std::string> lines(1, 1);
    if (raw.empty()) return lines;  // one empty line
    std::vector<std::string> kept;
    std::size_t start = 0;
    while (start < raw.size()) {
        const std::size_t nul = raw.find('\0', start);
        const std::size_t end = nul == std::string::npos ? raw.size() : nul;
        std::string line = raw.substr(start, end - start);
        start = end + 1;
        if (options & SectionLineOptions::CutComments) line.resize(CutSectionComment(line).size());
        if ((options & SectionLineOptions::DropBlankLines) && TrimBlanks(line).empty()) continue;
        kept.push_back(std::move(line));
    }
    lines.ReDim(1, static_cast<long>(kept.size()));
    for (long i = 1; i <= lines.UBound(); ++i) lines(i) = std::move(kept[static_cast<std::size_t>(i - 1)]);
    return lines;
}

// the section's lines of a file
Array1<std::string> ReadProfileSectionLines(std::string_view section, const std::filesystem::path& file,
                                            std::size_t /*bufferSize*/, int options) {
    return ReadProfileSectionLines(section, ProfileFile::Read(file), options);
}

// integer value of a key
int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue, const ProfileFile& profile) {
    const std::optional<std::string> value = profile.Value(section, key);
    if (!value || value->empty()) return defaultValue;
    return LeadingInt(*value);
}

// integer value of a key in a file
int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue,
                   const std::filesystem::path& file) {
    return ReadProfileInt(section, key, defaultValue, ProfileFile::Read(file));
}

}  // namespace kelvarin
