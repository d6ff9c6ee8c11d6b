#include "host/criteria.h"

#include <type_traits>
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
    Criteria& c = *b.currentRule->criteria;
    c.match = std::move(text);
    c.matchPosition = position;
    return true;
}

bool ParseWildcardMatch(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    ByteArg pattern;
    // Escapes are undone first, so an escaped '*' is still a wildcard.
    if (!ReadArguments(st, 1, 1, args) || !QuotedArgument(st, args[0], 1, pattern)) return false;
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

// The matcher, compiled once without reporting (the runs) and once with.
template <bool kReport>
bool MatchWildcard(const ByteArg& pattern, ByteSpan record, WildcardStop* stop) {
    const std::uint8_t* p = pattern.data();
    const std::int32_t n = pattern.length();
    const std::int32_t L = record.length;
    std::int32_t pos = 0;
    std::int32_t i = 0;
    const auto stopped = [&](std::int32_t segment, std::int32_t at) {
        if constexpr (kReport) *stop = {segment, at};
        return false;
    };
    while (i < n) {
        if (p[i] == '?') {
            // A run of '?' takes as many bytes.
            std::int32_t run = 1;
            while (i + run < n && p[i + run] == '?') ++run;
            if (L - pos < run) return stopped(i, pos);
            pos += run;
            i += run;
        } else if (p[i] == '*') {
            if (i + 1 == n) return pos < L || stopped(i, pos);  // a final '*' needs at least one byte left
            if (pos >= L - 1) return stopped(i, pos);  // a '*' before more pattern needs two bytes left
            if (IsWild(p[i + 1])) return stopped(i, pos);  // "**" and "*?" never match
            const std::int32_t end = LiteralEnd(p, n, i + 1);
            // The first occurrence only; a later one is never tried.
            const std::int32_t at = record.FindFrom(end - (i + 1), p + i + 1, static_cast<std::uint32_t>(pos));
            if (at < 0) return stopped(i, pos);
            pos = at + (end - (i + 1));
            i = end;
        } else {
            // The literal must stand at the position, wholly inside the record.
            const std::int32_t segment = i;
            const std::int32_t from = pos;
            do {
                if (pos >= L || record.bytes[pos] != p[i]) return stopped(segment, from);
                ++pos;
                ++i;
            } while (i < n && !IsWild(p[i]));
        }
    }
    return pos == L || stopped(n, pos);
}

}  // namespace

bool WildcardMatch(const ByteArg& pattern, ByteSpan record) { return MatchWildcard<false>(pattern, record, nullptr); }

bool WildcardMatch(const ByteArg& pattern, ByteSpan record, WildcardStop* stop) {
    return MatchWildcard<true>(pattern, record, stop);
}

namespace {

// The tests only read, so their order does not change the answer: the
// cheapest come first. Compiled twice: answering pass or fail (the runs),
// and answering which clause failed (an observed run).
template <bool kWhich>
auto Decide(const Criteria& c, const DataContext& d) {
    using Verdict = std::conditional_t<kWhich, Clause, bool>;
    const auto fails = [](Clause clause) {
        if constexpr (kWhich) {
            return clause;
        } else {
            return clause == Clause::None;
        }
    };
    const Verdict passes = fails(Clause::None);
    if (c.length != kUnset && static_cast<std::uint32_t>(d.length) != c.length) return fails(Clause::Length);
    if (c.protocol != kUnset && d.protocol != c.protocol) return fails(Clause::Protocol);
    if (!c.codes.empty()) {
        const std::uint32_t* code = c.codes.data();
        const std::uint32_t* const end = code + c.codes.size();
        while (*code != d.codeType) {
            if (++code == end) return fails(Clause::CodeList);
        }
    }
    if (c.match.bytes.empty() && c.wildcard.bytes.empty()) return passes;
    const ByteSpan record = d.SpanFrom(0);
    if (c.match.length() > 0) {
        const std::uint32_t start = c.matchPosition == kUnset ? 0 : c.matchPosition;
        if (record.FindFrom(c.match.length(), c.match.data(), start) < 0) return fails(Clause::Match);
    }
    if (c.wildcard.length() == 0 || WildcardMatch(c.wildcard, record)) return passes;
    return fails(Clause::Wildcard);
}

}  // namespace

bool CriteriaPass(const Criteria& c, const DataContext& d) { return Decide<false>(c, d); }

Clause FailingClause(const Criteria& c, const DataContext& d) { return Decide<true>(c, d); }

}  // namespace trelmix
