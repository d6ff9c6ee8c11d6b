#include "host/criteria.h"

#include <vector>

namespace trelmix {

// ---- clauses ----------------------------------------------------------------

bool ParseCodeList(Script& s, TextSpan line, Diagnostic* diag) {
    if (!RequireBlock(s, Block::Criteria, "CODE_LIST", line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, "CODE_LIST", 1, 0, "one or more numbers", args, diag)) return false;
    std::vector<std::uint32_t> codes(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!NumberArgument(args[i], "CODE_LIST", i + 1, codes[i], diag)) return false;
    }
    auto& list = s.currentRule->criteria->codes;
    list.insert(list.end(), codes.begin(), codes.end());  // several lines add up
    return true;
}

// A clause of one number stored into a field of the Criteria.
static bool OneNumberClause(Script& s, TextSpan line, Diagnostic* diag, const char* keyword,
                            std::uint32_t Criteria::*field) {
    if (!RequireBlock(s, Block::Criteria, keyword, line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, keyword, 1, 1, "a number", args, diag)) return false;
    std::uint32_t value = 0;
    if (!NumberArgument(args[0], keyword, 1, value, diag)) return false;
    s.currentRule->criteria.get()->*field = value;
    return true;
}

bool ParseCodeLength(Script& s, TextSpan line, Diagnostic* diag) {
    return OneNumberClause(s, line, diag, "CODE_LENGTH", &Criteria::length);
}

bool ParseProtocolMatch(Script& s, TextSpan line, Diagnostic* diag) {
    return OneNumberClause(s, line, diag, "PROTOCOL_MATCH", &Criteria::protocol);
}

bool ParseCodeMatch(Script& s, TextSpan line, Diagnostic* diag) {
    if (!RequireBlock(s, Block::Criteria, "CODE_MATCH", line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, "CODE_MATCH", 2, 2, "a quoted string and a number", args, diag)) return false;
    ByteArg text;
    std::uint32_t position = 0;
    if (!QuotedArgument(args[0], "CODE_MATCH", 1, text, diag)) return false;
    if (!NumberArgument(args[1], "CODE_MATCH", 2, position, diag)) return false;
    DecodeHexEscapes(text);
    Criteria& c = *s.currentRule->criteria;
    c.match = std::move(text);
    c.matchPosition = position;
    return true;
}

bool ParseWildcardMatch(Script& s, TextSpan line, Diagnostic* diag) {
    if (!RequireBlock(s, Block::Criteria, "WILDCARD_MATCH", line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, "WILDCARD_MATCH", 1, 1, "a quoted string", args, diag)) return false;
    ByteArg pattern;
    if (!QuotedArgument(args[0], "WILDCARD_MATCH", 1, pattern, diag)) return false;
    DecodeHexEscapes(pattern);  // an escaped '*' is still a wildcard
    s.currentRule->criteria->wildcard = std::move(pattern);
    return true;
}

// ---- run time ---------------------------------------------------------------

bool WildcardMatch(const ByteArg& pattern, ByteSpan record) {
    const std::uint8_t* p = pattern.data();
    const std::int32_t n = pattern.length();
    const std::int32_t L = record.length;
    auto isWild = [](std::uint8_t b) { return b == '*' || b == '?'; };
    std::int32_t pos = 0;
    std::int32_t i = 0;
    while (i < n) {
        if (p[i] == '?') {
            if (pos >= L) return false;
            ++pos;
            ++i;
        } else if (p[i] == '*') {
            if (i + 1 == n) return pos < L;  // a final '*' needs at least one byte left
            if (pos >= L - 1) return false;  // a '*' before more pattern needs two bytes left
            if (isWild(p[i + 1])) return false;  // "**" and "*?" never match
            std::int32_t end = i + 1;
            while (end < n && !isWild(p[end])) ++end;
            // The first occurrence only; a later one is never tried.
            const std::int32_t at = record.FindFrom(end - (i + 1), p + i + 1, static_cast<std::uint32_t>(pos));
            if (at < 0) return false;
            pos = at + (end - (i + 1));
            i = end;
        } else {
            std::int32_t end = i;
            while (end < n && !isWild(p[end])) ++end;
            if (pos >= L) return false;
            // The literal must stand at the position, wholly inside the record.
            const ByteSpan rest{L - pos, record.bytes + pos};
            if (rest.ComparePrefix(end - i, p + i) != 0) return false;
            pos += end - i;
            i = end;
        }
    }
    return pos == L;
}

bool CriteriaPass(const Criteria& c, const DataContext& d) {
    if (!c.codes.empty()) {
        bool listed = false;
        for (std::uint32_t code : c.codes) listed = listed || code == d.codeType;
        if (!listed) return false;
    }
    if (c.length != kUnset && static_cast<std::uint32_t>(d.length) != c.length) return false;
    if (c.protocol != kUnset && d.protocol != c.protocol) return false;
    const ByteSpan record = d.SpanFrom(0);
    if (c.match.length() > 0) {
        const std::uint32_t start = c.matchPosition == kUnset ? 0 : c.matchPosition;
        if (record.FindFrom(c.match.length(), c.match.data(), start) < 0) return false;
    }
    if (c.wildcard.length() != 0 && !WildcardMatch(c.wildcard, record)) return false;
    return true;
}

}  // namespace trelmix
