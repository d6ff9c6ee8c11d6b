// Forward edits: a run of consecutive actions that each edit at or after a
// cursor that only moves forward (INSERT, SKIP_AHEAD, REPLACE_FIRST,
// MOVE_BEFORE, MOVE_AFTER, APPEND) is made in one pass that builds the result
// left to right: the bytes before each edit are copied once, then the edit's
// own. Made one action at a time, every INSERT would move the whole rest of
// the record; GS1-style scripts make a dozen of them per record.
//
// The runner takes this path only without an observer (an observed run
// reports the record after every action, so it runs them one by one); both
// give the same record and cursor.
#pragma once

#include <vector>

#include "actions/data_context.h"
#include "actions/program.h"

namespace trelmix {

// Marks the runs of two or more forward actions with at least two edits
// among them, in each rule's action block (Action::forwardRun and
// forwardGrowth on a run's first action), and plans the fixed stretches
// inside them (Action::stretch, Plan::forward).
void MarkForwardRuns(Program& program);

// True when the run starting at `first` can be made in one pass on this
// record: its result is bounded below kMaxRecordLength (else the actions run
// one by one and the one that passes the limit fails as it would).
inline bool FitsForward(const Action& first, const DataContext& d) {
    return static_cast<std::int64_t>(d.length) + first.forwardGrowth <= kMaxRecordLength;
}

// Makes the run starting at `first` (first->forwardRun actions) of a script
// whose stretches `plan` holds. May throw std::bad_alloc (the buffer for the
// result) before anything changes.
void RunForward(const Action* first, const ForwardPlan& plan, DataContext& d);

}  // namespace trelmix
