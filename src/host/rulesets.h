// Rulesets: SET_RULESET puts a rule in a ruleset; RULESET_ON and RULESET_OFF
// switch rulesets 1..31 in the Script's table, which outlives the run.
#pragma once

#include <cstdint>

#include "actions/program.h"

namespace trelmix {

// Rulesets RULESET_ON and RULESET_OFF can switch.
inline bool RulesetSwitchable(std::int32_t ruleset) { return ruleset >= 1 && ruleset < kRulesetCount; }

// Ruleset 0 always passes; 1..31 pass while switched on; larger never. The
// table is indexed as an array, so that builds with library assertions check
// each index against its size.
inline bool RulesetGatePasses(std::uint32_t ruleset, const RulesetSwitches& rulesetEnabled) {
    if (ruleset == 0) return true;
    if (ruleset >= static_cast<std::uint32_t>(kRulesetCount)) return false;
    return rulesetEnabled[ruleset] == 1;
}

}  // namespace trelmix
