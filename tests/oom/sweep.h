// The out-of-memory sweep, over any build of the library: fails the Nth
// allocation, for every N, across assigning and running realistic scripts
// through the exports; once with every allocation from the Nth on failing
// (persistent, so that the paths that handle a failure are swept too), once
// with that one failure (transient). Every outcome must be the defined one:
// a failed assignment returns false and the id keeps its earlier script; a
// failed run returns TRLM_STATUS_OUT_OF_MEMORY with the caller's buffer
// untouched; once memory suffices, the result is the one without failures.
#pragma once

#include <cstdint>
#include <string>

#include "trelmix/trelmix.h"

namespace trelmix::oom {

// Within one export call: the library's allocation `at` fails (0: its
// first; -1: none), and with `persistent` every one after it too.
struct Failure {
    long long at = -1;
    bool persistent = false;
};

// A build of the library whose allocations can be made to fail.
class Target {
public:
    virtual ~Target() = default;
    virtual bool Assign(const HostId& id, const std::string& script, Failure failure = {}) = 0;
    virtual bool IsRegistered(const HostId& id) = 0;
    // TRLM_ExecuteInto (or, with `into` false, TRLM_Execute) on the record in
    // a buffer 256 bytes longer; the first `length` bytes of the result.
    virtual std::string Execute(const HostId& id, const std::string& record, std::uint32_t codeType, bool into,
                                std::int32_t& status, Failure failure = {}) = 0;
    // Whether the failure asked for in the last call happened.
    virtual bool Failed() = 0;
};

// Runs the sweep; prints the failures and a summary line on stderr/stdout.
// Returns the number of failures.
int Sweep(Target& target, const char* name);

}  // namespace trelmix::oom
