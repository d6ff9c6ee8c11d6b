// Criteria: the clauses of a rule's criteria block, and the run-time test that
// decides whether the rule applies to a record.
#pragma once

#include "actions/data_context.h"
#include "host/run_observer.h"
#include "script/model.h"

namespace trelmix {

// The text clauses (CODE_MATCH, then WILDCARD_MATCH): the first that fails,
// or Clause::None.
Clause FailingTextClause(const Criteria& criteria, const DataContext& record);

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
    if (c.match.bytes.empty() && c.wildcard.bytes.empty()) return Clause::None;
    return FailingTextClause(c, d);
}

// What a pattern demands of a record's length and start (WildcardShape).
WildcardShape ShapeOf(const ByteArg& pattern);

// WildcardMatch, deciding from the shape first where it can.
bool WildcardAccepts(const ByteArg& pattern, const WildcardShape& shape, ByteSpan record);

// The whole record against a pattern where '*' and '?' are wildcards. When it
// does not match and `stop` is given, `stop` says where the pattern stopped.
bool WildcardMatch(const ByteArg& pattern, ByteSpan record, WildcardStop* stop = nullptr);

}  // namespace trelmix
