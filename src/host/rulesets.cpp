#include "host/rulesets.h"

#include "actions/data_context.h"
#include "script/keyword_support.h"

namespace trelmix {

static bool Switchable(std::int32_t ruleset) { return ruleset >= 1 && ruleset < kRulesetCount; }

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
    if (Switchable(ruleset)) b.rulesetsSwitchedOn |= 1u << ruleset;
    return true;
}

void act::RulesetOn(const Action& a, DataContext& d) {
    if (Switchable(a.count)) d.rulesetEnabled[a.count] = 1;
}

void act::RulesetOff(const Action& a, DataContext& d) {
    if (Switchable(a.count)) d.rulesetEnabled[a.count] = 0;
}

}  // namespace trelmix
