// The keywords that decide whether a rule runs: its criteria clauses and its
// ruleset. What they store is tested by host/criteria.h and host/rulesets.h.
#include <utility>
#include <vector>

#include "host/rulesets.h"
#include "host/wildcard.h"
#include "script/keyword_support.h"

namespace trelmix {

// ---- criteria clauses -------------------------------------------------------

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
    (*b.currentRule->criteria).*field = value;
    return true;
}

bool ParseCodeLength(ScriptBuilder& b, const Statement& st) { return OneNumberClause(b, st, &Criteria::length); }

bool ParseProtocolMatch(ScriptBuilder& b, const Statement& st) { return OneNumberClause(b, st, &Criteria::protocol); }

bool ParseCodeMatch(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    if (!ReadArguments(st, 2, 2, args)) return false;
    ByteArg text;
    std::uint32_t position = 0;
    if (!QuotedArgument(st, args[0], 1, text)) return false;
    if (!NumberArgument(st, args[1], 2, position)) return false;
    Criteria& c = *b.currentRule->criteria;
    c.textClauses = c.textClauses || !text.bytes.empty();
    c.match = std::move(text);
    c.matchPosition = position;
    return true;
}

bool ParseWildcardMatch(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    ByteArg pattern;
    // Escapes are undone first, so an escaped '*' is still a wildcard.
    if (!ReadArguments(st, 1, 1, args) || !QuotedArgument(st, args[0], 1, pattern)) return false;
    Criteria& c = *b.currentRule->criteria;
    c.wildcardSteps = CompileWildcard(pattern);
    c.textClauses = c.textClauses || !pattern.bytes.empty();
    c.wildcard = std::move(pattern);
    return true;
}

// ---- rulesets ---------------------------------------------------------------

bool ParseSetRuleset(ScriptBuilder& b, const Statement& st) {
    ArgumentList args;
    std::uint32_t ruleset = 0;
    if (!ReadArguments(st, 1, 1, args) || !NumberArgument(st, args[0], 1, ruleset)) return false;
    b.currentRule->ruleset = ruleset;  // no range check: 32 and above never run
    return true;
}

// RULESET_OFF is a plain counted action; RULESET_ON also tells `trelmix
// check` which rulesets the rule switches on.
bool ParseRulesetOn(ScriptBuilder& b, const Statement& st) {
    if (!CountedAction(b, st)) return false;
    const std::int32_t ruleset = b.program.actions.back().count;
    if (RulesetSwitchable(ruleset)) b.rulesetsSwitchedOn |= 1u << ruleset;
    return true;
}

}  // namespace trelmix
