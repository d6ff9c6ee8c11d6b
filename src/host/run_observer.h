// What a run tells an observer, in its own terms: each rule it reaches and
// what became of it, the clause that decided a failing criteria block, the
// record after each action, and how the run ended. `trelmix run --explain`
// and `trelmix test` turn this into the story of a record.
//
// The shipped library never sets an observer: the runner reads the pointer
// once per run and walks the rules with code that has no reporting in it;
// with an observer it walks with the same code compiled to report each step.
// The reports only read; an observer cannot change the run.
#pragma once

#include <cstdint>

#include "actions/program.h"

namespace trelmix {

// What became of one rule the run reached.
enum class RuleFate : std::uint8_t {
    NoActionBlock,   // the rule has no action block: the run stops here
    RulesetOff,      // its ruleset is switched off (or is never on): passed by
    CodeNotListed,   // the rule index passed over it: its code list leaves the code type out
    NoCriteria,      // no criteria block: its actions run and the run goes on
    CriteriaFailed,  // a clause of its criteria decided against the record
    Applied,         // its criteria passed: its actions run and the run ends
};

// Where a wildcard pattern stopped matching: the offset in the pattern of the
// segment that failed (a literal, a run of '?', or a '*' with the literal
// after it; the pattern's length when the pattern ended before the record),
// and the record offset where it failed: for a literal the first byte that
// differs (the record's length when the record ends first), for the others
// where the segment was tried.
struct WildcardStop {
    std::int32_t segment = -1;
    std::int32_t at = -1;
};

// The working record at one moment of the run.
struct RecordView {
    const std::uint8_t* bytes = nullptr;
    std::int32_t length = 0;
    std::int32_t cursor = 0;
    const std::int32_t* rulesets = nullptr;  // the run state's switches: entry n is ruleset n, 1 = on
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
};

// How a run reached its end.
struct RunEnd {
    std::int32_t status = 0;
    bool copyBack = false;  // the edited record goes back to the caller
};

class RunObserver {
public:
    virtual ~RunObserver() = default;

    // `program` is the one running: its rules, actions and their lines.
    virtual void RunStarted(const Program& program, const RecordView& record) = 0;

    // `rule` is the rule's position in the script (END_RULE order). `clause`
    // is set for CriteriaFailed (and CodeList for CodeNotListed); `stop` for a
    // failing wildcard.
    virtual void RuleReached(std::uint32_t rule, RuleFate fate, Clause clause, WildcardStop stop,
                             const RecordView& record) = 0;

    // The rule's action number `action` (from 0, in the block's order) has run.
    virtual void ActionDone(std::uint32_t rule, std::uint32_t action, const RecordView& record) = 0;

    virtual void RunEnded(const RunEnd& end) = 0;
};

// The observer of the runs that follow, or null (the library's normal path).
// Process-wide, like the TransmitObject: calls never overlap.
void SetRunObserver(RunObserver* observer);

namespace detail {
extern RunObserver* runObserver;
}
inline RunObserver* CurrentRunObserver() { return detail::runObserver; }

}  // namespace trelmix
