// The send actions: what they do when their rule runs (the keyword table
// in script/keywords.cpp says what each takes).
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
#include <string_view>

#include "actions/action.h"
#include "actions/data_context.h"
#include "keyboard/emulation.h"
#include "keyboard/transmit.h"
#include "platform/platform.h"

namespace trelmix {

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
