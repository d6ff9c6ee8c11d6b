#include "host/rule_runner.h"

#include <cstring>
#include <new>

#include "actions/data_context.h"
#include "host/criteria.h"
#include "host/rule_index.h"
#include "host/rulesets.h"
#include "host/run_observer.h"

namespace trelmix {

namespace {

enum class Next { GoOn, Stop };

constexpr std::int32_t kNotYet = TRLM_STATUS_EMPTY_RULE;  // no rule has applied yet

// Every report below is guarded by `if (watch)`: the library's normal path
// has no observer and pays one predictable branch per step.
RecordView View(const DataContext& d) {
    return {d.data.data(), d.length, d.cursor, d.rulesetEnabled, d.codeType, d.protocol};
}

void Reached(RunObserver& watch, std::uint32_t position, RuleFate fate, const DataContext& d,
             Clause clause = Clause::None, WildcardStop stop = {}) {
    watch.RuleReached(position, fate, clause, stop, View(d));
}

void RunActions(std::uint32_t position, const ActionList& actions, DataContext& d, RunObserver* watch) {
    for (std::size_t i = 0; i < actions.size(); ++i) {
        actions[i]->Execute(d);
        if (watch) watch->ActionDone(position, static_cast<std::uint32_t>(i), View(d));
    }
}

// Why the criteria failed, for the observer: the clause, and for a wildcard
// where the matcher stopped.
void ReportFailure(RunObserver& watch, std::uint32_t position, const Criteria& c, Clause failed,
                   const DataContext& d) {
    WildcardStop stop;
    if (failed == Clause::Wildcard) WildcardMatch(c.wildcard, d.SpanFrom(0), &stop);
    Reached(watch, position, RuleFate::CriteriaFailed, d, failed, stop);
}

Next TryRule(std::uint32_t position, const Rule& rule, DataContext& d, std::int32_t& status,
             RunObserver* watch) {
    if (!rule.actions) {  // checked first: stops the run even in a switched-off ruleset
        status = TRLM_STATUS_NO_ACTION_BLOCK;
        if (watch) Reached(*watch, position, RuleFate::NoActionBlock, d);
        return Next::Stop;
    }
    if (!RulesetGatePasses(rule.ruleset, d.rulesetEnabled)) {
        status = kNotYet;
        if (watch) Reached(*watch, position, RuleFate::RulesetOff, d);
        return Next::GoOn;
    }
    if (!rule.criteria) {  // runs for every record that reaches it; the run goes on
        if (watch) Reached(*watch, position, RuleFate::NoCriteria, d);
        RunActions(position, *rule.actions, d, watch);
        return rule.actions->empty() ? Next::Stop : Next::GoOn;
    }
    const Clause failed = FailingClause(*rule.criteria, d);
    if (failed != Clause::None) {
        status = kNotYet;
        if (watch) ReportFailure(*watch, position, *rule.criteria, failed, d);
        return Next::GoOn;
    }
    status = TRLM_STATUS_APPLIED;
    if (watch) Reached(*watch, position, RuleFate::Applied, d);
    RunActions(position, *rule.actions, d, watch);
    return rule.actions->empty() ? Next::Stop : Next::GoOn;
}

// The rules from `first` up to (not including) `next` that the rule index
// passed over: their code lists leave the record's code type out.
void PassedOver(RunObserver& watch, std::uint32_t first, std::uint32_t next, const DataContext& d) {
    for (std::uint32_t p = first; p < next; ++p) Reached(watch, p, RuleFate::CodeNotListed, d, Clause::CodeList);
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

    RunObserver* const watch = CurrentRunObserver();
    if (watch) watch->RunStarted(View(d));

    // Rules whose code list leaves the record's code type out fail their
    // criteria, so the index passes over them.
    bool stopped = false;
    std::uint32_t unreported = 0;  // with an observer: the first rule not yet reported
    ForEachReachableRule(script, codeType, [&](std::uint32_t position) {
        if (watch) {
            PassedOver(*watch, unreported, position, d);
            unreported = position + 1;
        }
        if (TryRule(position, *script.rules[position], d, out.result.status, watch) == Next::Stop) {
            stopped = true;
            return false;
        }
        return out.result.status == kNotYet;  // a rule applied: the run ends
    });
    if (watch && !stopped && out.result.status == kNotYet) {
        PassedOver(*watch, unreported, static_cast<std::uint32_t>(script.rules.size()), d);
    }
    if (stopped) {
        if (watch) watch->RunEnded({out.result.status, false});
        return out;
    }
    out.result.status = TRLM_STATUS_APPLIED;
    out.result.length = static_cast<std::uint32_t>(d.length);
    d.data.resize(static_cast<std::size_t>(d.length));
    out.edited = std::move(d.data);
    out.copyBack = true;
    if (watch) watch->RunEnded({out.result.status, true});
    return out;
}

ExecuteResult ExecuteScript(Script& script, std::uint8_t* data, std::uint32_t length,
                            std::uint32_t codeType, std::uint32_t protocol) {
    RunOutcome run = RunScript(script, data, length, codeType, protocol);
    if (run.copyBack && !run.edited.empty()) std::memcpy(data, run.edited.data(), run.edited.size());
    return run.result;
}

}  // namespace trelmix
