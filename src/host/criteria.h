// Criteria: the clauses of a rule's criteria block, and the run-time test that
// decides whether the rule applies to a record.
#pragma once

#include "actions/data_context.h"
#include "host/run_observer.h"
#include "host/wildcard.h"
#include "script/model.h"

namespace trelmix {

// Code list, length, protocol, match from a position, wildcard: every test
// present must pass for the rule to apply. The answer is the first clause
// tested that fails, cheapest first (length, protocol, code list, match,
// wildcard), or Clause::None when the rule applies. The tests only read, so
// their order does not change whether the rule applies. `codeTypeListed`:
// the rule index chose the rule for the record's code type, so its code list
// needs no test. Inline: the runner calls it for almost every rule.
inline Clause FailingClause(const Criteria& c, const DataContext& d, bool codeTypeListed = false) {
    if (c.length != kUnset && static_cast<std::uint32_t>(d.length) != c.length) return Clause::Length;
    if (c.protocol != kUnset && d.protocol != c.protocol) return Clause::Protocol;
    if (!codeTypeListed && !c.codes.empty()) {
        const std::uint32_t* code = c.codes.data();
        const std::uint32_t* const end = code + c.codes.size();
        while (*code != d.codeType) {
            if (++code == end) return Clause::CodeList;
        }
    }
    if (!c.textClauses) return Clause::None;
    const ByteSpan record = d.SpanFrom(0);
    if (!c.match.bytes.empty()) {
        const std::uint32_t start = c.matchPosition == kUnset ? 0 : c.matchPosition;
        if (record.FindFrom(c.match.length(), c.match.data(), start) < 0) return Clause::Match;
    }
    if (!c.wildcard.bytes.empty() && !WildcardMatches(c.wildcard, c.wildcardSteps, record)) return Clause::Wildcard;
    return Clause::None;
}

}  // namespace trelmix
