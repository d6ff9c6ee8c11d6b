// Replace, move and insert: the actions that take text.
#pragma once

#include "actions/data_context.h"
#include "script/keyword_support.h"

namespace trelmix {

bool ParseReplaceAll(Script& script, TextSpan line, Diagnostic* diag);
bool ParseReplaceFirst(Script& script, TextSpan line, Diagnostic* diag);
bool ParseMoveBefore(Script& script, TextSpan line, Diagnostic* diag);
bool ParseMoveAfter(Script& script, TextSpan line, Diagnostic* diag);
bool ParseAppend(Script& script, TextSpan line, Diagnostic* diag);
bool ParsePrepend(Script& script, TextSpan line, Diagnostic* diag);
bool ParseInsert(Script& script, TextSpan line, Diagnostic* diag);

// The first occurrence of `text` at or after the cursor lying wholly inside
// the data, or -1 (also for an empty text or a cursor outside the data).
std::int32_t SearchForward(const DataContext& d, const ByteArg& text);

}  // namespace trelmix
