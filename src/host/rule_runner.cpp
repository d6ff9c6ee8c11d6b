#include "host/rule_runner.h"

#include <cstring>
#include <new>

#include "actions/data_context.h"
#include "host/criteria.h"
#include "host/rule_index.h"
#include "host/rulesets.h"

namespace trelmix {

namespace {

enum class Next { GoOn, Stop };

constexpr std::int32_t kNotYet = TRLM_STATUS_EMPTY_RULE;  // no rule has applied yet

void RunActions(const ActionList& actions, DataContext& d) {
    for (const auto& action : actions) action->Execute(d);
}

Next TryRule(const Rule& rule, DataContext& d, std::int32_t& status) {
    if (!rule.actions) {  // checked first: stops the run even in a switched-off ruleset
        status = TRLM_STATUS_NO_ACTION_BLOCK;
        return Next::Stop;
    }
    if (!RulesetGatePasses(rule.ruleset, d.rulesetEnabled)) {
        status = kNotYet;
        return Next::GoOn;
    }
    if (!rule.criteria) {  // runs for every record that reaches it; the run goes on
        RunActions(*rule.actions, d);
        return rule.actions->empty() ? Next::Stop : Next::GoOn;
    }
    if (!CriteriaPass(*rule.criteria, d)) {
        status = kNotYet;
        return Next::GoOn;
    }
    status = TRLM_STATUS_APPLIED;
    RunActions(*rule.actions, d);
    return rule.actions->empty() ? Next::Stop : Next::GoOn;
}

}  // namespace

RunOutcome RunScript(Script& script, std::uint8_t* data, std::uint32_t length,
                     std::uint32_t codeType, std::uint32_t protocol) {
    RunOutcome out;
    out.result = {data, length, kNotYet, 0, 0};

    // A record beyond the working limit cannot be held (see kMaxRecordLength).
    if (length > static_cast<std::uint32_t>(kMaxRecordLength)) throw std::bad_alloc();
    DataContext d;
    d.data.assign(data, data + length);
    d.cursor = 0;
    d.length = static_cast<std::int32_t>(length);
    d.codeType = codeType;
    d.protocol = protocol;
    d.rulesetEnabled = script.rulesetEnabled.data();

    // Rules whose code list leaves the record's code type out fail their
    // criteria, so the index passes over them.
    bool stopped = false;
    ForEachReachableRule(script, codeType, [&](std::uint32_t position) {
        if (TryRule(*script.rules[position], d, out.result.status) == Next::Stop) {
            stopped = true;
            return false;
        }
        return out.result.status == kNotYet;  // a rule applied: the run ends
    });
    if (stopped) return out;
    out.result.status = TRLM_STATUS_APPLIED;
    out.result.length = static_cast<std::uint32_t>(d.length);
    d.data.resize(static_cast<std::size_t>(d.length));
    out.edited = std::move(d.data);
    out.copyBack = true;
    return out;
}

ExecuteResult ExecuteScript(Script& script, std::uint8_t* data, std::uint32_t length,
                            std::uint32_t codeType, std::uint32_t protocol) {
    RunOutcome run = RunScript(script, data, length, codeType, protocol);
    if (run.copyBack && !run.edited.empty()) std::memcpy(data, run.edited.data(), run.edited.size());
    return run.result;
}

}  // namespace trelmix
