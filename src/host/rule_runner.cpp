#include "host/rule_runner.h"

#include <cstring>
#include <new>

#include "actions/data_context.h"
#include "actions/forward_edits.h"
#include "host/criteria.h"
#include "host/rule_index.h"
#include "host/rulesets.h"
#include "host/run_observer.h"
#include "host/wildcard.h"

namespace trelmix {

namespace {

constexpr std::int32_t kNotYet = TRLM_STATUS_EMPTY_RULE;  // no rule has applied yet

// The reports below are made on the observed path only (RunRules<true>); the
// library's own path has no observer and no trace of one.
RecordView View(const DataContext& d) {
    return {d.bytes, d.length, d.cursor, d.rulesetEnabled->data(), d.codeType, d.protocol};
}

void Reached(RunObserver& watch, std::uint32_t position, RuleFate fate, const DataContext& d,
             Clause clause = Clause::None, WildcardStop stop = {}) {
    watch.RuleReached(position, fate, clause, stop, View(d));
}

// Why the criteria failed, for the observer: the clause, and for a wildcard
// where the matcher stopped.
void ReportFailure(RunObserver& watch, std::uint32_t position, const Criteria& c, Clause failed, const DataContext& d) {
    WildcardStop stop;
    if (failed == Clause::Wildcard) WildcardMatch(c.wildcard, c.wildcardSteps, d.SpanFrom(0), &stop);
    Reached(watch, position, RuleFate::CriteriaFailed, d, failed, stop);
}

// The rules from `first` up to (not including) `next` that the rule index
// passed over: their code lists leave the record's code type out.
void PassedOver(RunObserver& watch, std::uint32_t first, std::uint32_t next, const DataContext& d) {
    for (std::uint32_t p = first; p < next; ++p) Reached(watch, p, RuleFate::CodeNotListed, d, Clause::CodeList);
}

// One switch over the kinds: actions are plain values, not objects.
inline void Execute(const Action& action, DataContext& d) {
    switch (action.kind) {
#define TRELMIX_KIND(Kind) \
    case ActionKind::Kind: act::Kind(action, d); break;
        TRELMIX_ACTION_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND
    }
}

// The last action of a run that only adds bytes at the end, made in the
// caller's buffer when the record has not been edited and the result fits
// there: no working copy, no copy back. Nothing can fail after it, so the
// caller's buffer still changes only when a run ends normally.
bool TailInHost(const Action& last, DataContext& d) {
    if (last.kind == ActionKind::Append) return d.AppendInHost(last.arg1);
    return d.PadInHost(last.count, last.kind == ActionKind::PadSpace ? 0x20 : 0x30);
}

template <bool kWatched>
void RunActions(std::uint32_t position, const Program& program, ActionRange block, DataContext& d, RunObserver* watch) {
    const Action* const actions = program.actions.data();
    const Action* action = actions + block.first;
    const Action* const end = action + block.count;
    while (action != end) {
        if constexpr (kWatched) {
            Execute(*action, d);
            watch->ActionDone(position, static_cast<std::uint32_t>(action - (actions + block.first)), View(d));
            ++action;
        } else if (action->forwardRun && FitsForward(*action, d)) {
            RunForward(action, program.plan.forward, d);
            action += action->forwardRun;
        } else {
            Execute(*action++, d);
        }
    }
}

// The action block of the rule that applied, on the library's path: its
// last action in the caller's buffer when it can be (MarkHostTails).
void RunApplied(const Program& program, const ActionRange& block, DataContext& d) {
    if (!block.tailInHost) {
        RunActions<false>(0, program, block, d, nullptr);
        return;
    }
    const ActionRange most{block.first, block.count - 1};
    RunActions<false>(0, program, most, d, nullptr);
    const Action& last = program.actions[most.first + most.count];
    if (!TailInHost(last, d)) Execute(last, d);
}

struct RulesEnd {
    std::int32_t status = kNotYet;
    bool stopped = false;  // nothing is copied back
};

// The first rule whose ruleset and criteria accept the record runs its
// actions and ends the run; a rule without criteria runs its actions and lets
// the run go on; a rule without an action block, or with an empty one that
// runs, stops the run with nothing copied back. Compiled twice: the library's
// path, without an observer and without a trace of one, and the observed
// path, which reports every step.
template <bool kWatched>
RulesEnd RunRules(const Program& program, const ReachableRules reach, DataContext& d, RunObserver* watch) {
    RulesEnd end;
    [[maybe_unused]] std::uint32_t unreported = 0;          // the first rule not yet reported
    [[maybe_unused]] const ActionRange* applied = nullptr;  // the library's path: the block to run
    std::uint64_t head = HeadWord(d);
    const RuleGate* const gates = program.plan.index.gates.data();
    const Rule* const rules = program.rules.data();
    for (const std::uint32_t* next = reach.begin; next != reach.end; ++next) {
        const std::uint32_t position = *next;
        const RuleGate& gate = gates[position];
        if constexpr (kWatched) {
            PassedOver(*watch, unreported, position, d);
            unreported = position + 1;
        } else if (gate.decides) {
            if (!GatePasses(gate, d, head)) continue;  // the criteria would fail
            if (gate.plain && (reach.listed || !gate.codes)) {
                applied = &gate.actions;  // the criteria pass
                break;
            }
        }
        const Rule& rule = rules[position];
        if (!rule.actions) {  // checked first: stops the run even in a switched-off ruleset
            end = {TRLM_STATUS_NO_ACTION_BLOCK, true};
            if constexpr (kWatched) Reached(*watch, position, RuleFate::NoActionBlock, d);
            return end;
        }
        if (!RulesetGatePasses(rule.ruleset, *d.rulesetEnabled)) {
            if constexpr (kWatched) Reached(*watch, position, RuleFate::RulesetOff, d);
            continue;
        }
        if (rule.criteria) {
            Clause failed = Clause::None;
            // A gate that decides has been tested; the others stand aside.
            if (kWatched || !gate.decides || (gate.codes && !reach.listed)) {
                failed = FailingClause(*rule.criteria, d, reach.listed);
            }
            if (failed != Clause::None) {
                if constexpr (kWatched) ReportFailure(*watch, position, *rule.criteria, failed, d);
                continue;
            }
            end.status = TRLM_STATUS_APPLIED;
            if constexpr (kWatched) {
                Reached(*watch, position, RuleFate::Applied, d);
            } else if (!rule.actions->empty()) {  // an empty block stops the run, below
                applied = &*rule.actions;
                break;
            }
        } else if constexpr (kWatched) {
            Reached(*watch, position, RuleFate::NoCriteria, d);
        }
        RunActions<kWatched>(position, program, *rule.actions, d, watch);
        if (rule.actions->empty()) {
            end.stopped = true;
            return end;
        }
        if (end.status == TRLM_STATUS_APPLIED) return end;
        head = HeadWord(d);  // the actions of a rule without criteria may have edited the record
    }
    if constexpr (kWatched) {
        PassedOver(*watch, unreported, static_cast<std::uint32_t>(program.rules.size()), d);
    } else if (applied) {
        RunApplied(program, *applied, d);
        end.status = TRLM_STATUS_APPLIED;
    }
    return end;
}

}  // namespace

void MarkHostTails(Program& program) {
    for (Rule& rule : program.rules) {
        if (!rule.criteria || !rule.actions || rule.actions->empty()) continue;
        ActionRange& block = *rule.actions;
        const std::uint32_t last = block.first + block.count - 1;
        const ActionKind kind = program.actions[last].kind;
        bool tail = kind == ActionKind::Append || kind == ActionKind::PadSpace || kind == ActionKind::PadZero;
        // A forward run that takes the last action in runs as one piece.
        for (std::uint32_t i = block.first; tail && i < last; ++i) tail = i + program.actions[i].forwardRun <= last;
        block.tailInHost = tail;
    }
}

namespace {

// RunScript, letting std::bad_alloc through.
ExecuteResult Run(const Program& program, RunState& state, std::uint8_t* data, std::uint32_t length, std::uint32_t room,
                  std::uint32_t codeType, std::uint32_t protocol) {
    // A record beyond the working limit cannot be held (see kMaxRecordLength).
    if (length > static_cast<std::uint32_t>(kMaxRecordLength)) throw std::bad_alloc();
    state.work.Trim(length);
    DataContext d;
    d.Start(data, static_cast<std::int32_t>(length), state.work);
    d.codeType = codeType;
    d.protocol = protocol;
    d.rulesetEnabled = &state.rulesetEnabled;
    d.host = data;
    d.hostRoom = room > length ? room : length;

    // Rules whose code list leaves the record's code type out fail their
    // criteria, so the index passes over them, and the code lists of the
    // rules it reaches need no test.
    const ReachableRules reach = RulesFor(program, codeType);
    RunObserver* const watch = CurrentRunObserver();
    RulesEnd end;
    if (watch) {
        watch->RunStarted(program, View(d));
        end = RunRules<true>(program, reach, d, watch);
        watch->RunEnded({end.stopped ? end.status : TRLM_STATUS_APPLIED, !end.stopped});
    } else {
        end = RunRules<false>(program, reach, d, nullptr);
    }
    if (end.stopped) return {data, length, end.status, 0, 0};

    // The run ended normally: the record goes back, when the caller's buffer
    // takes it (a record still in place, or moved to its start, is there).
    const auto edited = static_cast<std::uint32_t>(d.length);
    if (edited > d.hostRoom) return {data, edited, TRLM_STATUS_TOO_LONG, 0, 0};
    if (edited > 0 && d.bytes != data) std::memmove(data, d.bytes, edited);
    return {data, edited, TRLM_STATUS_APPLIED, 0, 0};
}

}  // namespace

ExecuteResult RunScript(const Program& program, RunState& state, std::uint8_t* data, std::uint32_t length,
                        std::uint32_t room, std::uint32_t codeType, std::uint32_t protocol) noexcept {
    try {
        return Run(program, state, data, length, room, codeType, protocol);
    } catch (...) {  // memory ran out (std::bad_alloc), or a record past the working limit
        return {data, length, TRLM_STATUS_OUT_OF_MEMORY, 0, 0};
    }
}

}  // namespace trelmix
