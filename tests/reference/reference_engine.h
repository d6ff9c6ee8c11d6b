// The reference engine: the rule runner as it was first written, kept
// deliberately plain so that the library's fast paths can be checked against
// it (tests/unit/differential_test.cpp, fuzz/fuzz_differential.cpp, and the
// "before" column of the benchmarks).
//
// Plain means: a fresh copy of the record for every run, every edit into a
// new buffer of exactly the new length, every rule tried in order, searches
// byte by byte, each clause tested as written. It reads only the parts of a
// compiled Script that the compiler writes (rules, criteria, actions), never
// what is precomputed for speed, and keeps its own ruleset switches.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "actions/program.h"
#include "trelmix/trelmix.h"

namespace trelmix::reference {

using Switches = std::array<std::int32_t, kRulesetCount>;  // entry n: ruleset n, 1 = on

inline Switches AllOn() {
    Switches s;
    s.fill(1);
    return s;
}

struct Outcome {
    std::int32_t status = TRLM_STATUS_EMPTY_RULE;
    bool copyBack = false;  // the run ended normally: `record` goes back
    std::vector<std::uint8_t> record;
};

// One run. Throws std::bad_alloc when memory runs out or a record would pass
// the 64 MiB limit.
Outcome Run(const Program& script, Switches& switches, const std::uint8_t* data, std::uint32_t length,
            std::uint32_t codeType, std::uint32_t protocol);

// What TRLM_ExecuteInto answers for a run's outcome (null: memory ran out)
// and writes into `data`; TRLM_Execute when `guarded` is false (the capacity
// is not looked at).
ExecuteResult Answer(const Outcome* run, std::uint8_t* data, std::uint32_t length, std::uint32_t capacity,
                     bool guarded);

// Run, then Answer.
ExecuteResult Execute(const Program& script, Switches& switches, std::uint8_t* data, std::uint32_t length,
                      std::uint32_t capacity, bool guarded, std::uint32_t codeType, std::uint32_t protocol);

}  // namespace trelmix::reference
