#pragma once
// Text helpers of the scene reader: one field of a delimited list, the text
// between two marks, and the number a text begins with.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvarin {

// What GetToken gives: one field as text, or (field number below 1) the whole list of
// fields. It reads as its text wherever text is expected; a list reads as empty text.
class Token {
  public:
    explicit Token(std::string field) : text_(std::move(field)) {}
    explicit Token(std::vector<std::string> fields) : fields_(std::move(fields)), isList_(true) {}

    bool IsList() const { return isList_; }
    const std::string& Text() const { return text_; }
    const std::vector<std::string>& Fields() const { return fields_; }
    operator const std::string&() const { return text_; }  // NOLINT(google-explicit-constructor): reads as text

    friend bool operator==(const Token& token, std::string_view text) { return !token.isList_ && token.text_ == text; }
    friend bool operator==(const Token& token, const std::vector<std::string>& fields) {
        return token.isList_ && token.fields_ == fields;
    }

  private:
    std::string text_;
    std::vector<std::string> fields_;
    bool isList_ = false;
};

// field n (1-based) of text cut at delimiter; with collapse a run of delimiters is one
// separator; empty text when the text has fewer than n fields. With n below 1 the whole
// list of fields, a trailing empty field dropped (as GetTokens gives it).
Token GetToken(std::string_view text, std::string_view delimiter, long n, bool collapse);

// field n (from 1) of text cut at a one-character delimiter, as GetToken gives it, but as
// a view into text
std::string_view TokenView(std::string_view text, char delimiter, long n, bool collapse);

// every field of text cut at delimiter, a trailing empty field dropped
std::vector<std::string> GetTokens(std::string_view text, std::string_view delimiter, bool collapse);

// the text strictly between the first opening mark and the first closing mark after it;
// empty text when either mark is missing
std::string TextBetween(std::string_view text, std::string_view openMark, std::string_view closeMark);

// the number text begins with: blanks anywhere are ignored, reading stops at the first
// character that cannot continue a number, text without a number gives 0; a number too
// large for a double gives an infinity of its sign (callers check std::isfinite)
double LeadingNumber(std::string_view text);

}  // namespace kelvarin
