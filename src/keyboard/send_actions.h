// The send actions: recognised only in keyboard mode. SEND_ALL and SEND_REM
// are built by the compiler itself; the others parse their argument here.
//
// SEND_PAUSE, SEND_FUNC: exactly one number. SEND_UNTIL, SEND_EXTN,
// SEND_NPAD: exactly one quoted string. SEND_ASCII, SEND_WIN, SEND_CTRL:
// exactly one quoted string or number. SEND_ALT: one or more quoted strings
// or numbers, only the first read. An empty quoted argument compiles and
// presses or types nothing when the action runs.
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
