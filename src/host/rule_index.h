// The rule index of a compiled script: for each code type, the rules a record
// of that type can reach. See RuleIndex (actions/program.h).
#pragma once

#include <algorithm>

#include "actions/program.h"

namespace trelmix {

// Builds program.plan.index from its rules; when the lists would be out of
// proportion to the script, every rule is in `always` instead (runs go rule
// by rule). May throw std::bad_alloc, with the index left empty.
void BuildRuleIndex(Program& program);

// The rules a record of `codeType` can reach, in the rules' order. `listed`:
// a rule among them with a code list lists the record's code type.
struct ReachableRules {
    const std::uint32_t* begin = nullptr;
    const std::uint32_t* end = nullptr;
    bool listed = false;
};

inline ReachableRules RulesFor(const Program& program, std::uint32_t codeType) {
    const RuleIndex& index = program.plan.index;
    // The code's own list, or the rules every record reaches.
    std::size_t i = 0;
    if (codeType < RuleIndex::kDirectCodes) {
        i = index.direct[codeType];
    } else {
        const auto code = std::lower_bound(index.codes.begin(), index.codes.end(), codeType);
        if (code != index.codes.end() && *code == codeType)
            i = static_cast<std::size_t>(code - index.codes.begin()) + 1;
    }
    if (i == 0) return {index.always.data(), index.always.data() + index.always.size(), index.listsCodes};
    return {index.reach.data() + index.first[i - 1], index.reach.data() + index.first[i], true};
}

}  // namespace trelmix
