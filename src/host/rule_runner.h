// Runs a compiled script on one record: the first rule whose ruleset and
// criteria accept the record runs its actions on a private copy, which goes
// back into the caller's buffer when the run ends normally.
#pragma once

#include <cstdint>

#include "actions/program.h"
#include "trelmix/trelmix.h"

namespace trelmix {

inline constexpr std::uint32_t kAnyLength = 0xFFFFFFFFu;

// Runs the script on the caller's record data[0, length), whose buffer
// takes `room` bytes (at least `length`; kAnyLength: whatever the result's
// length, as TRLM_Execute's caller promises). When the run ends normally the
// edited record is written back there, or, longer than `room`, it is not and
// the status says TRLM_STATUS_TOO_LONG; otherwise the buffer stays as it was.
// Until then the run works in the state's own buffers, except that the
// last action of a run, when it only adds bytes at the end of the record as
// the caller gave it (MarkHostTails), lengthens it where it lies. When
// memory runs out (or the record is past kMaxRecordLength) the answer is
// TRLM_STATUS_OUT_OF_MEMORY with the caller's buffer as it was: nothing is
// thrown.
ExecuteResult RunScript(const Program& program, RunState& state, std::uint8_t* data, std::uint32_t length,
                        std::uint32_t room, std::uint32_t codeType, std::uint32_t protocol) noexcept;

// The same for a host id's script.
inline ExecuteResult RunScript(Script& script, std::uint8_t* data, std::uint32_t length, std::uint32_t room,
                               std::uint32_t codeType, std::uint32_t protocol) noexcept {
    return RunScript(script.program, script.state, data, length, room, codeType, protocol);
}

// Marks the action blocks whose last action a run may make in the caller's
// buffer (ActionRange::tailInHost): after MarkForwardRuns, when the script
// compiles. A block left unmarked runs the usual way.
void MarkHostTails(Program& program);

}  // namespace trelmix
