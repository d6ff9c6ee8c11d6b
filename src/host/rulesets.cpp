#include "host/rulesets.h"

#include "actions/data_context.h"

namespace trelmix {

void act::RulesetOn(const Action& a, DataContext& d) {
    if (RulesetSwitchable(a.count)) (*d.rulesetEnabled)[static_cast<std::size_t>(a.count)] = 1;
}

void act::RulesetOff(const Action& a, DataContext& d) {
    if (RulesetSwitchable(a.count)) (*d.rulesetEnabled)[static_cast<std::size_t>(a.count)] = 0;
}

}  // namespace trelmix
