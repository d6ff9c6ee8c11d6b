#include "host/rule_index.h"

#include <algorithm>
#include <utility>

namespace trelmix {

void BuildRuleIndex(Script& script) {
    RuleIndex index;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> named;  // (code type, rule position)
    for (std::size_t i = 0; i < script.rules.size(); ++i) {
        const Rule& rule = *script.rules[i];
        const auto position = static_cast<std::uint32_t>(i);
        // A rule without an action block stops every run that reaches it and
        // one without criteria runs for every record: both are always reached.
        if (!rule.actions || !rule.criteria || rule.criteria->codes.empty()) {
            index.always.push_back(position);
            continue;
        }
        for (std::uint32_t code : rule.criteria->codes) named.emplace_back(code, position);
    }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    for (const auto& [code, position] : named) {
        if (index.codes.empty() || index.codes.back() != code) {
            index.codes.push_back(code);
            index.first.push_back(static_cast<std::uint32_t>(index.listed.size()));
        }
        index.listed.push_back(position);
    }
    index.first.push_back(static_cast<std::uint32_t>(index.listed.size()));
    index.ruleCount = script.rules.size();
    script.index = std::move(index);
}

}  // namespace trelmix
