// The send actions: their parsers and what they do when their rule runs.
//
// Every send action but SEND_PAUSE does nothing while no TransmitObject is
// set; SEND_PAUSE sleeps either way. None changes the record's bytes; only
// SEND_ALL moves the cursor (to 0, and only when a TransmitObject is set).
//
// An empty quoted argument names no key and no delimiter, so the action
// presses and types nothing: SEND_UNTIL('') (an empty delimiter never
// occurs), SEND_ALT(''), SEND_WIN(''), SEND_CTRL(''), SEND_NPAD('') and
// SEND_EXTN('') (as any key name shorter than three letters). SEND_ASCII('')
// types nothing, having no bytes to type.
#include "keyboard/send_actions.h"

#include <string_view>

#include "actions/data_context.h"
#include "keyboard/emulation.h"
#include "keyboard/transmit.h"
#include "platform/platform.h"

namespace trelmix {

// ---- parsers ---------------------------------------------------------------------

namespace {

enum class Form { Quoted, QuotedOrNumber };

// One argument into arg1 (SEND_ALT: the first of one or more).
template <typename Kind>
bool ParseKeyText(Script& s, TextSpan line, Diagnostic* diag, std::string_view keyword, Form form,
                  std::string_view shape, bool moreAllowed = false) {
    if (!RequireBlock(s, Block::Action, keyword, line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, keyword, 1, moreAllowed ? 0 : 1, shape, args, diag)) return false;
    auto action = std::make_unique<Kind>();
    const bool converted = form == Form::Quoted
                               ? QuotedArgument(args[0], keyword, 1, action->arg1, diag)
                               : StringOrNumberArgument(args[0], keyword, 1, action->arg1, diag);
    if (!converted) return false;
    AppendAction(s, std::move(action));
    return true;
}

}  // namespace

bool ParseSendUntil(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendUntil>(s, l, d, "SEND_UNTIL", Form::Quoted,
                                            "the delimiter as a quoted string, like ','");
}
bool ParseSendPause(Script& s, TextSpan l, Diagnostic* d) {
    return ParseCountedAction<CAction::SendPause, &CAction::SendPause::count>(s, l, d, "SEND_PAUSE");
}
bool ParseSendAscii(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendAscii>(s, l, d, "SEND_ASCII", Form::QuotedOrNumber,
                                            "a quoted text or a character number");
}
bool ParseSendAlt(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendAlt>(s, l, d, "SEND_ALT", Form::QuotedOrNumber,
                                          "a quoted letter or digit, or a virtual-key number", true);
}
bool ParseSendFunc(Script& s, TextSpan l, Diagnostic* d) {
    return ParseCountedAction<CAction::SendFunc, &CAction::SendFunc::count>(s, l, d, "SEND_FUNC");
}
bool ParseSendExtn(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendExtn>(s, l, d, "SEND_EXTN", Form::Quoted,
                                           "a quoted key name, like 'RET'");
}
bool ParseSendWin(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendWin>(s, l, d, "SEND_WIN", Form::QuotedOrNumber,
                                          "a quoted character or a virtual-key number");
}
bool ParseSendCtrl(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendCtrl>(s, l, d, "SEND_CTRL", Form::QuotedOrNumber,
                                           "a quoted character or a virtual-key number");
}
bool ParseSendNumpad(Script& s, TextSpan l, Diagnostic* d) {
    return ParseKeyText<CAction::SendNumpad>(s, l, d, "SEND_NPAD", Form::Quoted,
                                             "a quoted keypad key, '0' to '9' or '.'");
}

// ---- behaviour ---------------------------------------------------------------------

namespace {

KeyboardEmulator* Emulator() {
    TransmitObject* t = CurrentTarget();
    return t ? t->emulator : nullptr;
}

// True when the cursor stands on a byte of the data.
bool CursorInData(const DataContext& d) { return d.cursor >= 0 && d.cursor < d.length; }

// Modifier plus one key. A quoted argument gives the key that types its first
// byte (without the shift state), a number the virtual key itself when its
// low 16 bits are at most 255. SEND_ALT takes only letters and digits, and a
// letter as its lower-case form. A character no key of the layout types
// presses nothing: not the modifier alone, nor a chord with key 255.
void PressModified(const ByteArg& arg, std::int32_t modifier, bool lettersAndDigitsOnly) {
    KeyboardEmulator* e = Emulator();
    if (!e) return;
    if (arg.isNumber) {
        const std::uint32_t key = static_cast<std::uint32_t>(ParseDecimalBytes(arg)) & 0xFFFFu;
        if (key <= 255) PressChord(*e, {modifier, static_cast<std::int32_t>(key)});
        return;
    }
    if (arg.bytes.empty()) return;  // an empty text names no key
    char16_t c = arg.bytes[0];
    if (lettersAndDigitsOnly) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        const bool letter = c >= u'a' && c <= u'z';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !digit) return;
    }
    const std::int16_t scan = platform::Current().VkKeyScan(c);
    if (scan == -1) return;
    PressChord(*e, {modifier, scan & 0xFF});
}

}  // namespace

void CAction::SendAll::Execute(DataContext& d) const {
    if (!CurrentTransmitObject()) return;
    d.cursor = 0;
    SendText(d.data.data(), d.length);
}

void CAction::SendRem::Execute(DataContext& d) const {
    if (!CurrentTransmitObject() || !CursorInData(d)) return;
    SendText(d.data.data() + d.cursor, d.length - d.cursor);
}

void CAction::SendUntil::Execute(DataContext& d) const {
    if (!CurrentTransmitObject() || !CursorInData(d)) return;
    if (arg1.bytes.empty()) return;  // an empty delimiter never occurs: nothing is typed
    const std::uint8_t delimiter = arg1.bytes[0];
    for (std::int32_t i = d.cursor; i < d.length; ++i) {
        if (d.data[static_cast<std::size_t>(i)] == delimiter) {
            SendText(d.data.data() + d.cursor, i - d.cursor);
            return;
        }
    }
}

void CAction::SendPause::Execute(DataContext&) const {
    // Also without a TransmitObject. The product is taken in 32 bits.
    if (count > 0) platform::Current().Sleep(static_cast<std::uint32_t>(count) * 1000u);
}

void CAction::SendAscii::Execute(DataContext&) const { TypeAsciiArgument(arg1); }

void CAction::SendAlt::Execute(DataContext&) const { PressModified(arg1, vk::Alt, true); }

void CAction::SendWin::Execute(DataContext&) const { PressModified(arg1, vk::LeftWindows, false); }

void CAction::SendCtrl::Execute(DataContext&) const { PressModified(arg1, vk::Ctrl, false); }

void CAction::SendFunc::Execute(DataContext&) const {
    if (!CurrentTransmitObject()) return;
    PressFunctionKey(static_cast<std::uint16_t>(count));
}

void CAction::SendExtn::Execute(DataContext&) const { PressKeyByName(arg1); }

void CAction::SendNumpad::Execute(DataContext&) const {
    KeyboardEmulator* e = Emulator();
    if (!e || arg1.bytes.empty()) return;  // an empty text names no keypad key
    const std::uint8_t c = arg1.bytes[0];
    if (c >= '0' && c <= '9') {
        TapKeys(*e, {vk::Numpad0 + (c - '0')});
    } else if (c == '.') {
        TapKeys(*e, {vk::Decimal});
    }
}

}  // namespace trelmix
