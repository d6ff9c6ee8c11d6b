// Criteria: the clauses of a rule's criteria block, and the run-time test that
// decides whether the rule applies to a record.
#pragma once

#include <cstring>

#include "actions/data_context.h"
#include "actions/program.h"
#include "host/run_observer.h"
#include "host/wildcard.h"

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
        if (record.FindFrom(c.match.length(), c.match.data(), start, c.match.anchor) < 0) return Clause::Match;
    }
    if (!c.wildcard.bytes.empty() && !WildcardMatches(c.wildcard, c.wildcardSteps, record)) return Clause::Wildcard;
    return Clause::None;
}

// The rule's gate (RuleGate), worked out from its criteria.
RuleGate GateFor(const Rule& rule);

// The record's first eight bytes as one word, zeros past its end: what
// every gate's head is compared with.
inline std::uint64_t HeadWord(const DataContext& d) {
    std::uint64_t word = 0;
    if (d.length >= 8) {
        std::memcpy(&word, d.bytes, 8);
    } else if (d.length > 0) {
        std::uint8_t bytes[8] = {};
        for (std::int32_t i = 0; i < d.length; ++i) bytes[i] = d.bytes[i];
        std::memcpy(&word, bytes, 8);
    }
    return word;
}

// False when the record cannot pass the criteria the gate stands for; the
// record's HeadWord is `head`.
inline bool GatePasses(const RuleGate& g, const DataContext& d, std::uint64_t head) {
    const std::uint32_t over = static_cast<std::uint32_t>(d.length) - g.minLength;  // wraps when shorter
    if (over > g.lengthSpan || ((d.protocol ^ g.protocol) & g.protocolMask) != 0 ||
        ((head ^ g.head) & g.headMask) != 0) {
        return false;
    }
    for (std::uint32_t k = 0; k < g.moreWords; ++k) {
        std::uint64_t word;
        std::memcpy(&word, d.bytes + g.more[k].at, 8);
        if (((word ^ g.more[k].want) & g.more[k].mask) != 0) return false;
    }
    return true;
}

}  // namespace trelmix
