// The rule index of a compiled script: for each code type, the rules a record
// of that type can reach. See RuleIndex (script/model.h).
#pragma once

#include "script/model.h"

namespace trelmix {

// Builds script.index from its rules. May throw std::bad_alloc (the index is
// then left unbuilt and runs go rule by rule).
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
    // Merge the rules every record reaches with those naming this code type.
    const std::uint32_t* a = index.always.data();
    const std::uint32_t* const aEnd = a + index.always.size();
    const std::uint32_t* b = nullptr;
    const std::uint32_t* bEnd = nullptr;
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
        b = index.listed.data() + index.first[lo];
        bEnd = index.listed.data() + index.first[lo + 1];
    }
    while (a != aEnd || b != bEnd) {
        const std::uint32_t next = (b == bEnd || (a != aEnd && *a < *b)) ? *a++ : *b++;
        if (!visit(next)) return;
    }
}

}  // namespace trelmix
