// The rule index of a compiled script: for each code type, the rules a record
// of that type can reach. See RuleIndex (script/model.h).
#pragma once

#include "script/model.h"

namespace trelmix {

// Builds script.index from its rules; leaves it empty (runs go rule by rule)
// when the lists would be out of proportion to the script. May throw
// std::bad_alloc, with the index left empty.
void BuildRuleIndex(Script& script);

// Calls visit(position) for each rule a record of `codeType` can reach, in
// the rules' order, until visit returns false.
template <typename Visit>
void ForEachReachableRule(const Script& script, std::uint32_t codeType, Visit&& visit) {
    const RuleIndex& index = script.index;
    const auto rules = static_cast<std::uint32_t>(script.rules.size());
    if (index.ruleCount != script.rules.size() || rules == 0) {
        for (std::uint32_t i = 0; i < rules; ++i) {
            if (!visit(i)) return;
        }
        return;
    }
    // The code's own list, or the rules every record reaches.
    const std::uint32_t* next = index.always.data();
    const std::uint32_t* end = next + index.always.size();
    std::size_t lo = 0, hi = index.codes.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (index.codes[mid] < codeType) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo < index.codes.size() && index.codes[lo] == codeType) {
        next = index.reach.data() + index.first[lo];
        end = index.reach.data() + index.first[lo + 1];
    }
    for (; next != end; ++next) {
        if (!visit(*next)) return;
    }
}

}  // namespace trelmix
