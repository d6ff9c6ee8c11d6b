// The send actions: recognised only in keyboard mode. SEND_ALL and SEND_REM
// are built by the compiler itself; the others parse their argument here.
#pragma once

#include "script/keyword_support.h"

namespace trelmix {

bool ParseSendUntil(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendPause(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendAscii(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendAlt(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendFunc(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendExtn(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendWin(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendCtrl(Script& script, TextSpan line, Diagnostic* diag);
bool ParseSendNumpad(Script& script, TextSpan line, Diagnostic* diag);

}  // namespace trelmix
