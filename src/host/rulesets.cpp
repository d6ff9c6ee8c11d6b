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
    if (!CountedAction<CAction::RulesetOn, &CAction::RulesetOn::ruleset>(b, st)) return false;
    const auto ruleset = static_cast<const CAction::RulesetOn&>(*b.currentRule->actions->back()).ruleset;
    if (Switchable(ruleset)) b.rulesetsSwitchedOn |= 1u << ruleset;
    return true;
}

bool RulesetGatePasses(std::uint32_t ruleset, const std::int32_t* enabled) {
    if (ruleset == 0) return true;
    if (ruleset >= static_cast<std::uint32_t>(kRulesetCount)) return false;
    return enabled[ruleset] == 1;
}

void CAction::RulesetOn::Execute(DataContext& d) const {
    if (Switchable(ruleset)) d.rulesetEnabled[ruleset] = 1;
}

void CAction::RulesetOff::Execute(DataContext& d) const {
    if (Switchable(ruleset)) d.rulesetEnabled[ruleset] = 0;
}

}  // namespace trelmix
