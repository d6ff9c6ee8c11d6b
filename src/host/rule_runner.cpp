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

// The walk over the rules is compiled twice: without an observer (the
// library's normal path, with no reporting code at all) and with one, where
// each step reports. RunScript picks one per run.
RecordView View(const DataContext& d) {
    return {d.data.data(), d.length, d.cursor, d.rulesetEnabled, d.codeType, d.protocol};
}

template <bool kObserved>
void Reached(RunObserver* watch, std::uint32_t position, RuleFate fate, const DataContext& d,
             Clause clause = Clause::None, WildcardStop stop = {}) {
    if constexpr (kObserved) watch->RuleReached(position, fate, clause, stop, View(d));
}

template <bool kObserved>
void RunActions(std::uint32_t position, const ActionList& actions, DataContext& d, RunObserver* watch) {
    [[maybe_unused]] std::uint32_t number = 0;
    for (const auto& action : actions) {
        action->Execute(d);
        if constexpr (kObserved) watch->ActionDone(position, number++, View(d));
    }
}

template <bool kObserved>
Next TryRule(std::uint32_t position, const Rule& rule, DataContext& d, std::int32_t& status,
             RunObserver* watch) {
    if (!rule.actions) {  // checked first: stops the run even in a switched-off ruleset
        status = TRLM_STATUS_NO_ACTION_BLOCK;
        Reached<kObserved>(watch, position, RuleFate::NoActionBlock, d);
        return Next::Stop;
    }
    if (!RulesetGatePasses(rule.ruleset, d.rulesetEnabled)) {
        status = kNotYet;
        Reached<kObserved>(watch, position, RuleFate::RulesetOff, d);
        return Next::GoOn;
    }
    if (!rule.criteria) {  // runs for every record that reaches it; the run goes on
        Reached<kObserved>(watch, position, RuleFate::NoCriteria, d);
        RunActions<kObserved>(position, *rule.actions, d, watch);
        return rule.actions->empty() ? Next::Stop : Next::GoOn;
    }
    if constexpr (kObserved) {  // which clause failed, and where a wildcard stopped
        const Clause failed = FailingClause(*rule.criteria, d);
        if (failed != Clause::None) {
            status = kNotYet;
            WildcardStop stop;
            if (failed == Clause::Wildcard) WildcardMatch(rule.criteria->wildcard, d.SpanFrom(0), &stop);
            Reached<kObserved>(watch, position, RuleFate::CriteriaFailed, d, failed, stop);
            return Next::GoOn;
        }
    } else if (!CriteriaPass(*rule.criteria, d)) {
        status = kNotYet;
        return Next::GoOn;
    }
    status = TRLM_STATUS_APPLIED;
    Reached<kObserved>(watch, position, RuleFate::Applied, d);
    RunActions<kObserved>(position, *rule.actions, d, watch);
    return rule.actions->empty() ? Next::Stop : Next::GoOn;
}

// Tries the rules a record can reach until one applies or stops the run;
// true when one stopped it. Rules whose code list leaves the record's code
// type out fail their criteria, so the index passes over them (an observer
// hears of them as passed over).
template <bool kObserved>
bool WalkRules(const Script& script, DataContext& d, std::int32_t& status, RunObserver* watch) {
    bool stopped = false;
    std::uint32_t unreported = 0;  // the first rule not yet reported
    const auto passOver = [&](std::uint32_t next) {
        for (; unreported < next; ++unreported) {
            Reached<kObserved>(watch, unreported, RuleFate::CodeNotListed, d, Clause::CodeList);
        }
    };
    ForEachReachableRule(script, d.codeType, [&](std::uint32_t position) {
        if constexpr (kObserved) {
            passOver(position);
            unreported = position + 1;
        }
        if (TryRule<kObserved>(position, *script.rules[position], d, status, watch) == Next::Stop) {
            stopped = true;
            return false;
        }
        return status == kNotYet;  // a rule applied: the run ends
    });
    if constexpr (kObserved) {
        if (!stopped && status == kNotYet) passOver(static_cast<std::uint32_t>(script.rules.size()));
    }
    return stopped;
}

// The observed walk stays out of RunScript's way: a run without an observer
// executes exactly the unobserved walk, inlined.
[[gnu::noinline, gnu::cold]] bool WalkObserved(const Script& script, DataContext& d, std::int32_t& status,
                                               RunObserver* watch) {
    watch->RunStarted(View(d));
    const bool stopped = WalkRules<true>(script, d, status, watch);
    watch->RunEnded({stopped ? status : TRLM_STATUS_APPLIED, !stopped});
    return stopped;
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
    const bool stopped = watch ? WalkObserved(script, d, out.result.status, watch)
                               : WalkRules<false>(script, d, out.result.status, nullptr);
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
