#include "host/rule_index.h"

#include <algorithm>
#include <utility>

#include "host/criteria.h"

namespace trelmix {

void BuildRuleIndex(Program& program) {
    program.plan.index = {};
    RuleIndex index;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> named;  // (code type, rule position)
    for (std::size_t i = 0; i < program.rules.size(); ++i) {
        const Rule& rule = program.rules[i];
        const auto position = static_cast<std::uint32_t>(i);
        // A rule without an action block stops every run that reaches it and
        // one without criteria runs for every record: both are always reached.
        if (!rule.actions || !rule.criteria || rule.criteria->codes.empty()) {
            index.always.push_back(position);
            continue;
        }
        for (std::uint32_t code : rule.criteria->codes) named.emplace_back(code, position);
    }
    std::vector<RuleGate> gates;
    gates.reserve(program.rules.size());
    for (const Rule& rule : program.rules) gates.push_back(GateFor(rule));
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    std::size_t codes = 0;
    for (std::size_t i = 0; i < named.size(); ++i) codes += i == 0 || named[i].first != named[i - 1].first;
    // Each code's list repeats `always`; a script where that would pass the
    // size of the script itself many times over is run rule by rule instead:
    // every rule is always reached.
    constexpr std::size_t kMaxEntries = 1 << 20;
    if (codes * index.always.size() > kMaxEntries) {
        RuleIndex everyRule;
        everyRule.listsCodes = false;
        for (std::uint32_t i = 0; i < program.rules.size(); ++i) everyRule.always.push_back(i);
        everyRule.gates = std::move(gates);
        program.plan.index = std::move(everyRule);
        return;
    }

    for (std::size_t i = 0; i < named.size();) {
        const std::uint32_t code = named[i].first;
        index.codes.push_back(code);
        index.first.push_back(static_cast<std::uint32_t>(index.reach.size()));
        std::size_t a = 0;
        for (; i < named.size() && named[i].first == code; ++i) {
            while (a < index.always.size() && index.always[a] < named[i].second)
                index.reach.push_back(index.always[a++]);
            index.reach.push_back(named[i].second);
        }
        index.reach.insert(index.reach.end(), index.always.begin() + static_cast<std::ptrdiff_t>(a),
                           index.always.end());
    }
    index.first.push_back(static_cast<std::uint32_t>(index.reach.size()));
    for (std::size_t i = 0; i < index.codes.size() && index.codes[i] < RuleIndex::kDirectCodes; ++i) {
        index.direct[index.codes[i]] = static_cast<std::uint16_t>(i + 1);
    }
    index.gates = std::move(gates);
    program.plan.index = std::move(index);
}

}  // namespace trelmix
