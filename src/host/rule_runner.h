// Runs a compiled script on one record: the first rule whose ruleset and
// criteria accept the record runs its actions on a private copy, which goes
// back into the caller's buffer when the run ends normally.
#pragma once

#include <cstdint>

#include "script/model.h"
#include "trelmix/trelmix.h"

namespace trelmix {

// The edited record stays in `edited` so that a caller with a capacity can
// decide whether it fits before anything is copied back.
struct RunOutcome {
    ExecuteResult result{};       // status, and the caller's length
    bool copyBack = false;        // the run ended normally: `edited` goes back
    std::vector<std::uint8_t> edited;
};

// May throw std::bad_alloc (the working copy, an edit); the caller's buffer is
// untouched until the caller copies `edited` back.
RunOutcome RunScript(Script& script, std::uint8_t* data, std::uint32_t length,
                     std::uint32_t codeType, std::uint32_t protocol);

// RunScript, then the copy-back into the caller's buffer, which holds
// `capacity` bytes (taken as at least `length`). An edited record that would
// not fit is not copied back: status TRLM_STATUS_TOO_LONG with the edited
// length. Runs of a script reuse its two working buffers, so a run on a
// short record allocates nothing.
ExecuteResult ExecuteScript(Script& script, std::uint8_t* data, std::uint32_t length,
                            std::uint32_t codeType, std::uint32_t protocol,
                            std::uint32_t capacity = 0xFFFFFFFFu);

}  // namespace trelmix
