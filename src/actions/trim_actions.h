// Padding, filtering and cursor moves. The five kinds without a number are
// built by the compiler itself; the four counted kinds parse their number here.
#pragma once

#include "script/keyword_support.h"

namespace trelmix {

bool ParsePadSpaces(Script& script, TextSpan line, Diagnostic* diag);
bool ParsePadZeros(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSkipAhead(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSkipBack(Script& script, TextSpan line, Diagnostic* diag);

}  // namespace trelmix
