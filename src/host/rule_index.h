// The rule index of a compiled script: for each code type, the rules a record
// of that type can reach. See RuleIndex (script/model.h).
#pragma once

#include <algorithm>

#include "script/model.h"

namespace trelmix {

// Builds script.index from its rules; leaves it empty (runs go rule by rule)
// when the lists would be out of proportion to the script. May throw
// std::bad_alloc, with the index left empty.
void BuildRuleIndex(Script& script);

// True when runs go by the index: a rule with a code list that a run reaches
// then always lists the record's code type.
inline bool UsesRuleIndex(const Script& script) {
    return script.index.ruleCount == script.rules.size() && !script.rules.empty();
}

// The rules a record of `codeType` can reach, in the rules' order: positions
// list[0 .. count), or every rule (0 .. count) when `list` is null (no index).
struct ReachableRules {
    const std::uint32_t* list = nullptr;
    std::uint32_t count = 0;
    std::uint32_t operator[](std::uint32_t k) const { return list ? list[k] : k; }
};

inline ReachableRules RulesFor(const Script& script, std::uint32_t codeType) {
    if (!UsesRuleIndex(script)) return {nullptr, static_cast<std::uint32_t>(script.rules.size())};
    const RuleIndex& index = script.index;
    // The code's own list, or the rules every record reaches.
    std::size_t i = 0;
    if (codeType < RuleIndex::kDirectCodes) {
        i = index.direct[codeType];
    } else {
        const auto code = std::lower_bound(index.codes.begin(), index.codes.end(), codeType);
        if (code != index.codes.end() && *code == codeType) i = static_cast<std::size_t>(code - index.codes.begin()) + 1;
    }
    if (i == 0) return {index.always.data(), static_cast<std::uint32_t>(index.always.size())};
    return {index.reach.data() + index.first[i - 1], index.first[i] - index.first[i - 1]};
}

}  // namespace trelmix
