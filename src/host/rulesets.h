// Rulesets: SET_RULESET puts a rule in a ruleset; RULESET_ON and RULESET_OFF
// switch rulesets 1..31 in the Script's table, which outlives the run.
#pragma once

#include <cstdint>

namespace trelmix {

// Ruleset 0 always passes; 1..31 pass while switched on; larger never.
bool RulesetGatePasses(std::uint32_t ruleset, const std::int32_t* rulesetEnabled);

}  // namespace trelmix
