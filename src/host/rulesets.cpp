#include "host/rulesets.h"

#include "actions/data_context.h"

namespace trelmix {

bool ParseSetRuleset(Script& s, TextSpan line, Diagnostic* diag) {
    if (!RequireBlock(s, Block::RuleLevel, "SET_RULESET", line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, "SET_RULESET", 1, 1, "a number", args, diag)) return false;
    std::uint32_t ruleset = 0;
    if (!NumberArgument(args[0], "SET_RULESET", 1, ruleset, diag)) return false;
    s.currentRule->ruleset = ruleset;  // no range check: 32 and above never run
    return true;
}

bool ParseRulesetOn(Script& s, TextSpan line, Diagnostic* diag) {
    return ParseCountedAction<CAction::RulesetOn, &CAction::RulesetOn::ruleset>(s, line, diag, "RULESET_ON");
}

bool ParseRulesetOff(Script& s, TextSpan line, Diagnostic* diag) {
    return ParseCountedAction<CAction::RulesetOff, &CAction::RulesetOff::ruleset>(s, line, diag, "RULESET_OFF");
}

static bool Switchable(std::int32_t ruleset) { return ruleset >= 1 && ruleset < kRulesetCount; }

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
