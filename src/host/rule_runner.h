// Runs a compiled script on one record: the first rule whose ruleset and
// criteria accept the record runs its actions on a private copy, which goes
// back into the caller's buffer when the run ends normally.
#pragma once

#include <cstdint>
#include <cstring>

#include "script/model.h"
#include "trelmix/trelmix.h"

namespace trelmix {

// The edited record stays where the run left it (the script's working buffer,
// or the caller's own bytes when no edit was made) so that a caller with a
// capacity can decide whether it fits before anything is copied back.
struct RunOutcome {
    ExecuteResult result{};  // status, and the caller's length
    bool copyBack = false;   // the run ended normally: `edited` goes back
    ByteSpan edited;         // valid until the script runs again
};

// May throw std::bad_alloc (a working buffer, an edit). The caller's buffer
// holds `room` bytes (at least `length`); it is untouched until the caller
// copies `edited` back (CopyBack), except by a run that ends with a rule
// whose one action is an APPEND on the record as the caller gave it: when the
// result fits, the text goes straight after the record there.
RunOutcome RunScript(Script& script, std::uint8_t* data, std::uint32_t length, std::uint32_t room,
                     std::uint32_t codeType, std::uint32_t protocol);

// Writes the edited record into the caller's buffer: nothing when the run
// made no edit, only cut its end or appended its text there (the bytes are
// already in place); a move within it when the record starts further on.
inline void CopyBack(const RunOutcome& run, std::uint8_t* data) {
    if (run.copyBack && run.edited.length > 0 && run.edited.bytes != data) {
        std::memmove(data, run.edited.bytes, static_cast<std::size_t>(run.edited.length));
    }
}

// RunScript, then the copy-back into the caller's buffer.
ExecuteResult ExecuteScript(Script& script, std::uint8_t* data, std::uint32_t length,
                            std::uint32_t codeType, std::uint32_t protocol);

}  // namespace trelmix
