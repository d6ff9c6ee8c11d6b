#include "host/criteria.h"

#include <vector>

#include "script/keyword_support.h"

namespace trelmix {

// ---- clauses ----------------------------------------------------------------

bool ParseCodeList(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    if (!ReadArguments(st, 1, 0, args)) return false;
    std::vector<std::uint32_t> codes(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!NumberArgument(st, args[i], i + 1, codes[i])) return false;
    }
    auto& list = b.currentRule->criteria->codes;
    list.insert(list.end(), codes.begin(), codes.end());  // several lines add up
    return true;
}

// A clause of one number stored into a field of the Criteria.
static bool OneNumberClause(ScriptBuilder& b, const Statement& st, std::uint32_t Criteria::*field) {
    ArgumentList args;
    std::uint32_t value = 0;
    if (!ReadArguments(st, 1, 1, args) || !NumberArgument(st, args[0], 1, value)) return false;
    b.currentRule->criteria.get()->*field = value;
    return true;
}

bool ParseCodeLength(ScriptBuilder& b, const Statement& st) { return OneNumberClause(b, st, &Criteria::length); }

bool ParseProtocolMatch(ScriptBuilder& b, const Statement& st) {
    return OneNumberClause(b, st, &Criteria::protocol);
}

bool ParseCodeMatch(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    if (!ReadArguments(st, 2, 2, args)) return false;
    ByteArg text;
    std::uint32_t position = 0;
    if (!QuotedArgument(st, args[0], 1, text)) return false;
    if (!NumberArgument(st, args[1], 2, position)) return false;
    DecodeHexEscapes(text);
    Criteria& c = *b.currentRule->criteria;
    c.match = std::move(text);
    c.matchPosition = position;
    return true;
}

bool ParseWildcardMatch(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    ByteArg pattern;
    if (!ReadArguments(st, 1, 1, args) || !QuotedArgument(st, args[0], 1, pattern)) return false;
    DecodeHexEscapes(pattern);  // an escaped '*' is still a wildcard
    b.currentRule->criteria->wildcard = std::move(pattern);
    return true;
}

// ---- run time ---------------------------------------------------------------

namespace {

bool IsWild(std::uint8_t b) { return b == '*' || b == '?'; }

// The end of the literal segment that starts at p[i].
std::int32_t LiteralEnd(const std::uint8_t* p, std::int32_t n, std::int32_t i) {
    while (i < n && !IsWild(p[i])) ++i;
    return i;
}

}  // namespace

bool WildcardMatch(const ByteArg& pattern, ByteSpan record) {
    const std::uint8_t* p = pattern.data();
    const std::int32_t n = pattern.length();
    const std::int32_t L = record.length;
    std::int32_t pos = 0;
    std::int32_t i = 0;
    while (i < n) {
        if (p[i] == '?') {
            // A run of '?' takes as many bytes.
            std::int32_t run = 1;
            while (i + run < n && p[i + run] == '?') ++run;
            if (L - pos < run) return false;
            pos += run;
            i += run;
        } else if (p[i] == '*') {
            if (i + 1 == n) return pos < L;  // a final '*' needs at least one byte left
            if (pos >= L - 1) return false;  // a '*' before more pattern needs two bytes left
            if (IsWild(p[i + 1])) return false;  // "**" and "*?" never match
            const std::int32_t end = LiteralEnd(p, n, i + 1);
            // The first occurrence only; a later one is never tried.
            const std::int32_t at = record.FindFrom(end - (i + 1), p + i + 1, static_cast<std::uint32_t>(pos));
            if (at < 0) return false;
            pos = at + (end - (i + 1));
            i = end;
        } else {
            // The literal must stand at the position, wholly inside the record.
            do {
                if (pos >= L || record.bytes[pos] != p[i]) return false;
                ++pos;
                ++i;
            } while (i < n && !IsWild(p[i]));
        }
    }
    return pos == L;
}

// The tests only read, so their order does not change the answer: the
// cheapest come first.
bool CriteriaPass(const Criteria& c, const DataContext& d) {
    if (c.length != kUnset && static_cast<std::uint32_t>(d.length) != c.length) return false;
    if (c.protocol != kUnset && d.protocol != c.protocol) return false;
    if (!c.codes.empty()) {
        const std::uint32_t* code = c.codes.data();
        const std::uint32_t* const end = code + c.codes.size();
        while (*code != d.codeType) {
            if (++code == end) return false;
        }
    }
    if (c.match.bytes.empty() && c.wildcard.bytes.empty()) return true;
    const ByteSpan record = d.SpanFrom(0);
    if (c.match.length() > 0) {
        const std::uint32_t start = c.matchPosition == kUnset ? 0 : c.matchPosition;
        if (record.FindFrom(c.match.length(), c.match.data(), start) < 0) return false;
    }
    return c.wildcard.length() == 0 || WildcardMatch(c.wildcard, record);
}

}  // namespace trelmix
