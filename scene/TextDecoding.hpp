#pragma once
// Text files as UTF-8: a file's bytes may be UTF-8 (with or without a byte-order mark)
// or Big5 / code page 950; anything else (UTF-16, binary data, bytes neither encoding
// allows) is refused with an error that names the file and, where it can, the line.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvarin {

// How the bytes of a text file were encoded.
enum class TextEncoding { Utf8, Utf8WithBom, Cp950 };

// Raised when a file's text is neither UTF-8 nor Big5 / CP950 (or is not text at all).
class TextDecodeError : public std::runtime_error {
  public:
    TextDecodeError(std::filesystem::path file, int line, const std::string& message);
    const std::filesystem::path& File() const { return file_; }
    int Line() const { return line_; }  // 1-based; 0 when the problem has no single line
    const std::string& Problem() const { return problem_; }

  private:
    std::filesystem::path file_;
    int line_;
    std::string problem_;
};

// bytes of a text file as UTF-8; throws TextDecodeError naming file and line
std::string DecodeToUtf8(std::string_view bytes, const std::filesystem::path& file, TextEncoding* encoding = nullptr);

// the bytes of a text file turned into UTF-8 where they lie (text that is UTF-8 already is
// not copied); gives the encoding found; throws TextDecodeError as DecodeToUtf8 does
TextEncoding DecodeToUtf8InPlace(std::string& bytes, const std::filesystem::path& file);

}  // namespace kelvarin
