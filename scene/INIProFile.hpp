#pragma once
// Kelvarin's own reader of the profile (INI) format, the same on every platform.
//
// It follows the rules of the Windows profile services: section and key names are
// compared without regard to case; blanks around keys and values are trimmed; a value
// in matching quotes loses them; lines starting with ";" are comments; a section
// header ends at the first "]"; only the first section of a name is read and the
// first matching key wins. Unlike those services it never cuts a result to a buffer
// size: the buffer sizes the callers pass are kept for their record only.
//
// Text may be UTF-8 (with or without a byte-order mark) or Big5 / code page 950
// (scene/TextDecoding); everything is handed out as UTF-8.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/BoundedArray.hpp"
#include "scene/TextDecoding.hpp"

namespace kelvarin {

// Option bits of ReadProfileSectionLines.
namespace SectionLineOptions {
constexpr int CutComments = 1;     // cut each line before "rem " or "' "
constexpr int DropBlankLines = 2;  // leave out lines that are blank (after cutting)
}  // namespace SectionLineOptions

// The buffer sizes the scene loader states for its reads.
constexpr std::size_t kDefaultProfileBuffer = 4096;
constexpr std::size_t kCenterPointBuffer = 16384;

// One profile file read into memory: its text as UTF-8 with the place of every line, and
// indexes of its sections and of its lines that begin with "[", so that every lookup
// below costs no more than the section it reads, however many sections the file has.
// Line numbers are 1-based, as editors show them.
class ProfileFile {
  public:
    ProfileFile() = default;
    // reads and decodes a file; a missing or unreadable file gives an empty profile
    // (Exists() false); text that cannot be decoded throws TextDecodeError
    static ProfileFile Read(const std::filesystem::path& file);
    // a profile made from UTF-8 text held in memory
    static ProfileFile FromText(std::string_view utf8, std::filesystem::path file = {});
    // a profile made from a file's bytes, decoded as Read decodes them (throws TextDecodeError)
    static ProfileFile FromBytes(std::string bytes, std::filesystem::path file);

    const std::filesystem::path& Path() const { return path_; }
    bool Exists() const { return exists_; }
    TextEncoding Encoding() const { return encoding_; }
    long LineCount() const { return static_cast<long>(lines_.size()); }
    // line n (1..LineCount()) without its line end
    std::string_view Line(long n) const;

    // header line of the first section of that name, if any
    std::optional<long> FindSection(std::string_view section) const;
    // the lines of the first section of that name: from the line after its header to one
    // past its last line
    std::optional<std::pair<long, long>> SectionLines(std::string_view section) const;
    // the section text: each line trimmed, "key = value" as "key=value", each followed by one NUL
    std::string SectionText(std::string_view section) const;
    // the value of key in the first section of that name, trimmed and unquoted; nullopt when missing
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // line of that key, if any
    std::optional<long> FindKey(std::string_view section, std::string_view key) const;
    // the first line from line `from` on whose whole text equals `text` without regard to
    // ASCII case (found at once when `text` begins with "[")
    std::optional<long> FindLine(std::string_view text, long from = 1) const;

  private:
    struct Section {
        long HeaderLine;  // 1-based
        long FirstLine;   // first line after the header
        long EndLine;     // one past the last line
    };
    struct LineSpan {
        std::size_t Begin;
        std::size_t Length;
    };
    static ProfileFile Missing(const std::filesystem::path& file);
    void Index();
    const Section* FirstSection(std::string_view section) const;

    std::filesystem::path path_;
    bool exists_ = false;
    TextEncoding encoding_ = TextEncoding::Utf8;
    std::string text_;
    std::vector<LineSpan> lines_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> firstSection_;  // lower-case name: index in sections_
    // lower-case text of every line that begins with "[": its line numbers in order
    std::unordered_map<std::string, std::vector<long>> bracketLines_;
};

// The entry a section line gives in the section text: the line trimmed, "key = value" as
// "key=value" (written into scratch); empty for a blank or comment line, which gives none.
std::string_view SectionEntry(std::string_view line, std::string& scratch);

// an entry cut before "rem " or "' " (any case), as the CutComments option cuts it
std::string_view CutSectionComment(std::string_view entry);

// the value of key in section, or defaultValue (trailing blanks removed) when missing
std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::filesystem::path& file, std::size_t bufferSize = kDefaultProfileBuffer);
std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const ProfileFile& profile);

// the raw section text, each line followed by one NUL; empty when missing or empty
std::string ReadProfileSection(std::string_view section, const std::filesystem::path& file,
                               std::size_t bufferSize = kDefaultProfileBuffer);
std::string ReadProfileSection(std::string_view section, const ProfileFile& profile);

// the section's lines, indices from 1, in file order; options: SectionLineOptions bits.
// A missing or empty section gives one empty line; a section whose lines are all
// dropped gives no lines.
Array1<std::string> ReadProfileSectionLines(std::string_view section, const std::filesystem::path& file,
                                            std::size_t bufferSize, int options);
Array1<std::string> ReadProfileSectionLines(std::string_view section, const ProfileFile& profile, int options);

// the integer value of key: defaultValue when missing or empty, the leading digits
// otherwise ("42A" gives 42), 0 for a value that does not begin with a number;
// values beyond the int range are held at its ends
int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue, const std::filesystem::path& file);
int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue, const ProfileFile& profile);

// ASCII lower case of UTF-8 text (other characters unchanged)
std::string LowerAscii(std::string_view text);
// text without blanks (spaces and tabs) at either end
std::string_view TrimBlanks(std::string_view text);

}  // namespace kelvarin
