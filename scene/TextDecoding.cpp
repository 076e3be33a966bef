#include "scene/TextDecoding.hpp"

#if defined(_WIN32)
// The two code-page calls needed here, declared directly so that no window-system
// header enters scene/.
extern "C" __declspec(dllimport) int __stdcall MultiByteToWideChar(unsigned int codePage, unsigned long flags,
                                                                   const char* text, int length, wchar_t* wide,
                                                                   int wideLength);
extern "C" __declspec(dllimport) int __stdcall WideCharToMultiByte(unsigned int codePage, unsigned long flags,
                                                                   const wchar_t* wide, int wideLength, char* text,
                                                                   int length, const char* defaultChar,
                                                                   int* usedDefault);
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kelvarin {

namespace {

// 1-based line of a byte offset in text; LF, CRLF and a lone CR each end a line
int LineOfOffset(std::string_view bytes, std::size_t offset) {
    const std::size_t end = std::min(offset, bytes.size());
    int line = 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) ++line;
    }
    return line;
}

// two-digit hexadecimal text of a byte
std::string HexByte(unsigned char byte) {
    static const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[byte >> 4] + digits[byte & 15];
}

// offset of the first byte that breaks UTF-8 (overlong forms and surrogates included), or npos
std::size_t FirstInvalidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        // plain ASCII eight bytes at a time
        std::uint64_t word = 0;
        while (i + sizeof word <= bytes.size()) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & 0x8080808080808080ull) != 0) break;
            i += sizeof word;
        }
        if (i >= bytes.size()) break;
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned int low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return i;
        }
        if (i + length > bytes.size()) return i;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            const unsigned int lo = k == 1 ? low : 0x80;
            const unsigned int hi = k == 1 ? high : 0xBF;
            if (next < lo || next > hi) return i;
        }
        i += length;
    }
    return std::string_view::npos;
}

#if defined(_WIN32)
// Big5 / code page 950 text as UTF-8 through the system's code-page tables, line by line
// so that a failure can name its line
std::string Cp950ToUtf8(std::string_view bytes, const std::filesystem::path& file) {
    constexpr unsigned int kCp950 = 950, kUtf8 = 65001;
    constexpr unsigned long kErrorOnInvalid = 0x8;  // MB_ERR_INVALID_CHARS
    std::string out;
    std::size_t start = 0;
    int line = 1;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        const std::string_view piece = bytes.substr(start, end - start);
        const int length = static_cast<int>(piece.size());
        const int wideLength = MultiByteToWideChar(kCp950, kErrorOnInvalid, piece.data(), length, nullptr, 0);
        if (wideLength <= 0) throw TextDecodeError(file, line, "text is neither UTF-8 nor Big5/CP950");
        std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
        MultiByteToWideChar(kCp950, kErrorOnInvalid, piece.data(), length, wide.data(), wideLength);
        const int utf8Length = WideCharToMultiByte(kUtf8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
        WideCharToMultiByte(kUtf8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr, nullptr);
        out += utf8;
        start = end;
        ++line;
    }
    return out;
}
#else
// Big5 / code page 950 text as UTF-8 through iconv
std::string Cp950ToUtf8(std::string_view bytes, const std::filesystem::path& file) {
    iconv_t converter = iconv_open("UTF-8", "CP950");
    if (converter == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr): iconv's failure value
        throw TextDecodeError(file, 0, "text is not UTF-8, and this system cannot convert Big5/CP950 text");
    }
    std::string out;
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            const std::size_t offset = static_cast<std::size_t>(in - input.data());
            iconv_close(converter);
            throw TextDecodeError(
                file, LineOfOffset(bytes, offset),
                "byte " + HexByte(static_cast<unsigned char>(bytes[offset])) + " is neither UTF-8 nor Big5/CP950 text");
        }
    }
    iconv_close(converter);
    return out;
}
#endif

// how bytes are encoded; throws TextDecodeError for what is not text, for UTF-16, and for a
// byte-order mark before text that is not UTF-8 (whether Big5 text converts is found later)
TextEncoding ClassifyText(std::string_view bytes, const std::filesystem::path& file) {
    const std::size_t nul = bytes.find('\0');
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        throw TextDecodeError(file, 0, "text is UTF-16; save the file as UTF-8 or Big5/CP950");
    }
    if (nul != std::string_view::npos) {
        throw TextDecodeError(file, LineOfOffset(bytes, nul), "holds a NUL byte: this is not a text file");
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        const std::string_view body = bytes.substr(3);
        const std::size_t bad = FirstInvalidUtf8(body);
        if (bad != std::string_view::npos) {
            throw TextDecodeError(file, LineOfOffset(body, bad),
                                  "byte " + HexByte(static_cast<unsigned char>(body[bad])) +
                                      " is not UTF-8, although the file begins with a UTF-8 byte-order mark");
        }
        return TextEncoding::Utf8WithBom;
    }
    return FirstInvalidUtf8(bytes) == std::string_view::npos ? TextEncoding::Utf8 : TextEncoding::Cp950;
}

}  // namespace

TextDecodeError::TextDecodeError(std::filesystem::path file, int line, const std::string& message)
    : std::runtime_error(file.string() + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message),
      file_(std::move(file)),
      line_(line),
      problem_(message) {}

// a file's bytes turned into UTF-8 in their own string
TextEncoding DecodeToUtf8InPlace(std::string& bytes, const std::filesystem::path& file) {
    const TextEncoding found = ClassifyText(bytes, file);
    if (found == TextEncoding::Cp950) {
        bytes = Cp950ToUtf8(bytes, file);
    } else if (found == TextEncoding::Utf8WithBom) {
        bytes.erase(0, 3);
    }
    return found;
}

// bytes of a text file as UTF-8
std::string DecodeToUtf8(std::string_view bytes, const std::filesystem::path& file, TextEncoding* encoding) {
    std::string text(bytes);
    const TextEncoding found = DecodeToUtf8InPlace(text, file);
    if (encoding != nullptr) *encoding = found;
    return text;
}

}  // namespace kelvarin
