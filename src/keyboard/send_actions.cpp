// Placeholder until the send actions land: every send keyword line fails.
#include "keyboard/send_actions.h"

#include "actions/data_context.h"

namespace trelmix {

namespace {
bool NotYet(TextSpan line, Diagnostic* diag) { return Reject(diag, line.text, "send keyword not supported yet"); }
}  // namespace

bool ParseSendUntil(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendPause(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendAscii(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendAlt(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendFunc(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendExtn(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendWin(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendCtrl(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }
bool ParseSendNumpad(Script&, TextSpan l, Diagnostic* d) { return NotYet(l, d); }

void CAction::SendAll::Execute(DataContext&) const {}
void CAction::SendRem::Execute(DataContext&) const {}
void CAction::SendUntil::Execute(DataContext&) const {}
void CAction::SendPause::Execute(DataContext&) const {}
void CAction::SendAscii::Execute(DataContext&) const {}
void CAction::SendAlt::Execute(DataContext&) const {}
void CAction::SendFunc::Execute(DataContext&) const {}
void CAction::SendExtn::Execute(DataContext&) const {}
void CAction::SendWin::Execute(DataContext&) const {}
void CAction::SendCtrl::Execute(DataContext&) const {}
void CAction::SendNumpad::Execute(DataContext&) const {}

}  // namespace trelmix
