// Why a script line was rejected, in the script author's terms, and where.
// The library's host path ignores diagnostics; `trelmix check` prints them.
#pragma once

#include <cstdint>
#include <string>

namespace trelmix {

struct Diagnostic {
    const char16_t* at = nullptr;  // the code unit the report points at
    std::string reason;
};

// Line and column as an author's editor shows them: both count from 1; a CR LF
// pair, a lone CR and a lone LF each end one line; a surrogate pair is one
// character.
struct SourcePosition {
    std::uint32_t line = 1;
    std::uint32_t column = 1;
};

SourcePosition Locate(const char16_t* text, const char16_t* at);

// Locate for many places of one text: each call goes on from the last place
// asked (or starts over when asked for an earlier one), so places asked in
// text order cost one pass over the text in all.
class Locator {
public:
    explicit Locator(const char16_t* text) : text_(text), last_(text) {}
    SourcePosition operator()(const char16_t* at);

private:
    const char16_t* text_;
    const char16_t* last_;
    SourcePosition pos_;
};

}  // namespace trelmix
