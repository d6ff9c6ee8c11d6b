#include "script/diagnostic.h"

namespace trelmix {

namespace {

// Counts from `from` (at `pos`) to `at`. A CR LF pair counts at its LF, so a
// place between the two is on the CR's line, after it.
SourcePosition Advance(const char16_t* text, const char16_t* from, SourcePosition pos, const char16_t* at) {
    for (const char16_t* p = from; p < at; ++p) {
        if (*p == u'\n' && p > text && p[-1] == u'\r') continue;  // the CR counted the line
        if (*p == u'\r' || *p == u'\n') {
            ++pos.line;
            pos.column = 1;
        } else if (!(*p >= 0xDC00 && *p <= 0xDFFF && p > text && p[-1] >= 0xD800 && p[-1] <= 0xDBFF)) {
            ++pos.column;
        }
    }
    return pos;
}

}  // namespace

SourcePosition Locate(const char16_t* text, const char16_t* at) { return Advance(text, text, {}, at); }

SourcePosition Locator::operator()(const char16_t* at) {
    if (at < last_) {
        last_ = text_;
        pos_ = {};
    }
    pos_ = Advance(text_, last_, pos_, at);
    last_ = at;
    return pos_;
}

}  // namespace trelmix
