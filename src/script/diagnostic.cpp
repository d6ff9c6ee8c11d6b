#include "script/diagnostic.h"

namespace trelmix {

SourcePosition Locate(const char16_t* text, const char16_t* at) {
    SourcePosition pos;
    for (const char16_t* p = text; p < at; ++p) {
        if (*p == u'\r' || *p == u'\n') {
            if (*p == u'\r' && p + 1 < at && p[1] == u'\n') ++p;
            ++pos.line;
            pos.column = 1;
        } else if (!(*p >= 0xDC00 && *p <= 0xDFFF && p > text && p[-1] >= 0xD800 && p[-1] <= 0xDBFF)) {
            ++pos.column;
        }
    }
    return pos;
}

}  // namespace trelmix
