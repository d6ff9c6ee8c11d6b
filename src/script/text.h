// The lexical layer of the script language: lines, argument lists, numbers,
// quoted strings and hex escapes. Lines and arguments stay views (TextSpan)
// into the script text; nothing is copied until ToBytes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "actions/byte_arg.h"

namespace trelmix {

struct TextSpan {
    std::uint32_t length = 0;
    const char16_t* text = nullptr;

    char16_t operator[](std::uint32_t i) const { return text[i]; }
    bool empty() const { return length == 0; }
    const char16_t* end() const { return text + length; }
    TextSpan Sub(std::uint32_t from, std::uint32_t count) const { return {count, text + from}; }
};

using ArgumentList = std::vector<TextSpan>;

// Where and why an argument list failed to split, for the author's report.
struct ArgumentError {
    const char16_t* at = nullptr;
    const char* reason = "";
};

// Line blanks: space, tab, CR, LF. Argument blanks: space and tab.
inline constexpr std::u16string_view kLineBlanks = u" \t\r\n";
inline constexpr std::u16string_view kArgumentBlanks = u" \t";

// The next line from `position` (0 at first); every single CR and every single
// LF ends a line. When no line is left, `position` becomes -1 and the span is
// empty. `textLength` is the number of units before the text's NUL.
TextSpan NextLine(const char16_t* text, std::uint32_t textLength, std::int64_t& position);

// The span without its leading characters that belong to `set`.
TextSpan TrimLeft(TextSpan span, std::u16string_view set);

// Everything between the line's first '(' and the last ')' after it; empty
// when either is missing.
TextSpan ArgumentText(TextSpan line);

// Splits the argument text of a line into argument spans (quoted arguments
// with their quotes). False for an empty or malformed list; `error`, when
// given, says where and why.
bool ParseArgumentList(TextSpan line, ArgumentList& arguments, ArgumentError* error = nullptr);

// Decimal digits only, taken modulo 2^32.
bool ParseNumber(TextSpan argument, std::uint32_t& value);

// '...' with its quotes; the content goes through ToBytes. isNumber unchanged.
bool ParseQuotedString(TextSpan argument, ByteArg& out);

// A quoted string (isNumber 0) or, otherwise, the characters as they stand
// (isNumber 1; the action computes the value).
bool ParseStringOrNumber(TextSpan argument, ByteArg& out);

// One byte per character; \' becomes '. A code unit above 255 keeps its low
// byte (U+20AC becomes 0xAC), the same truncation the original 8-bit
// conversion of script text would make; authors write &#xHH; for such bytes.
ByteArg ToBytes(TextSpan span);

// Replaces each &#xHH; (lower-case x) lying wholly inside the argument by the
// byte 0xHH, in place. A non-hex character in a digit place leaves the six
// bytes as written (they are not an escape).
void DecodeHexEscapes(ByteArg& arg);

}  // namespace trelmix
