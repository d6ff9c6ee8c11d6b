#include "keyboard/emulation.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "keyboard/transmit.h"
#include "platform/platform.h"

namespace trelmix {

namespace {

// ---- records ------------------------------------------------------------------

// One keyboard record for `key` as the emulator's keyCodeMode asks (read at
// each record). Outside modes 0..2 the record carries no key code, and a
// key-up record keeps the flags word 0.
void FillKeyRecord(InputRecord& record, const KeyboardEmulator& emulator, std::int32_t key, bool up) {
    record.type = TRLM_INPUT_KEYBOARD;
    KeyboardInputRecord& k = record.u.keyboard;
    const std::uint32_t mode = emulator.keyCodeMode;
    const auto virtualKey = static_cast<std::uint16_t>(key);
    const bool withVirtualKey = mode == 0 || mode == 2;
    const bool withScanCode = mode == 1 || mode == 2;
    k.virtualKey = withVirtualKey ? virtualKey : 0;
    k.scanCode = withScanCode
                     ? static_cast<std::uint16_t>(platform::Current().MapVirtualKey(static_cast<std::uint32_t>(key)))
                     : 0;
    k.flags = (up && mode <= 2) ? TRLM_KEY_UP : 0;
}

void ClearRecords(KeyboardEmulator& emulator) { std::memset(emulator.records, 0, sizeof emulator.records); }

// The number of keys of the list that count: at most ten, up to the first -1.
std::size_t KeyCount(KeyList keys) {
    std::size_t n = 0;
    while (n < keys.size() && n < kMaxKeys && keys[n] != kEndOfKeys) ++n;
    return n;
}

void Inject(KeyboardEmulator& emulator, std::uint32_t count) {
    platform::Backend& p = platform::Current();
    p.SendInput(count, emulator.records);
    if (emulator.delayMs != 0) p.Sleep(emulator.delayMs);
}

// ---- the host's emulator -------------------------------------------------------

// TypeCharacter is the second entry of the host's operations table, called on
// the emulator; its result is ignored.
void TypeUnit(const TransmitObject& t, char16_t unit) {
    t.emulator->operations->TypeCharacter(t.emulator, static_cast<std::uint32_t>(unit), t.typingContext);
}

// Types units[0..count) with Caps Lock switched off around them when it was on.
void TypeWithCapsLockOff(const TransmitObject& t, const char16_t* units, std::size_t count) {
    const bool wasOn = platform::Current().CapsLockOn();
    if (wasOn) TapKeys(*t.emulator, {vk::CapsLock});
    for (std::size_t i = 0; i < count; ++i) TypeUnit(t, units[i]);
    if (wasOn) TapKeys(*t.emulator, {vk::CapsLock});
}

// Code page 0 is the system ANSI code page.
constexpr std::uint32_t kAnsiCodePage = 0;
constexpr std::uint32_t kWindows1252 = 1252;

std::uint32_t TextCodePage(const TransmitObject& t) {
    return (t.textEncoding == 1 || t.textEncoding == 3) ? kWindows1252 : kAnsiCodePage;
}

constexpr NamedKey kNamedKeys[] = {
    {"BSP", 8},  {"TAB", 9},  {"FFD", 12}, {"RET", 13}, {"CAP", 20}, {"ESC", 27},
    {"SPA", 32}, {"PGU", 33}, {"PGD", 34}, {"END", 35}, {"HOM", 36}, {"ARL", 37},
    {"ARU", 38}, {"ARR", 39}, {"ARD", 40}, {"PRT", 44}, {"DEL", 46}, {"NUM", 144},
};
static_assert(std::size(kNamedKeys) == 18);

constexpr std::uint8_t kAltPrefix = 0x12;

}  // namespace

// ---- key presses -----------------------------------------------------------------

void TapKeys(KeyboardEmulator& emulator, KeyList keys) {
    ClearRecords(emulator);
    std::uint32_t count = 0;
    const std::size_t n = KeyCount(keys);
    for (std::size_t i = 0; i < n; ++i) {
        FillKeyRecord(emulator.records[count++], emulator, keys[i], false);
        FillKeyRecord(emulator.records[count++], emulator, keys[i], true);
    }
    Inject(emulator, count);
}

void PressChord(KeyboardEmulator& emulator, KeyList keys) {
    ClearRecords(emulator);
    std::uint32_t count = 0;
    const std::size_t n = KeyCount(keys);
    for (std::size_t i = 0; i < n; ++i) FillKeyRecord(emulator.records[count++], emulator, keys[i], false);
    // Released in reverse order with the codes of their key-down records.
    for (std::size_t i = n; i-- > 0;) {
        InputRecord& up = emulator.records[count++];
        up = emulator.records[i];
        up.u.keyboard.flags = TRLM_KEY_UP;
    }
    Inject(emulator, count);
}

// ---- text ---------------------------------------------------------------------------

void SendText(const std::uint8_t* bytes, std::int32_t length) {
    TransmitObject* t = CurrentTarget();
    if (!t || !bytes || length <= 0) return;
    if (bytes[0] == kAltPrefix) {
        // A lone prefix names no key: nothing to press and no text left.
        if (length < 2) return;
        SendAltSequence(bytes[1]);
        bytes += 2;
        length -= 2;
        if (length == 0) return;
    }

    platform::Backend& p = platform::Current();
    const std::uint32_t codePage = TextCodePage(*t);
    const int units = p.MultiByteToWide(codePage, bytes, length, nullptr, 0);
    if (units <= 0) return;
    // A text of a usual length is decoded on the stack; a longer one into a
    // buffer whose allocation, if it fails, throws before anything of the
    // text is typed (the run then ends with the out-of-memory status).
    constexpr int kOnStack = 256;
    char16_t small[kOnStack];
    std::vector<char16_t> large;
    char16_t* text = small;
    if (units > kOnStack) {
        large.resize(static_cast<std::size_t>(units));
        text = large.data();
    }
    const int written = p.MultiByteToWide(codePage, bytes, length, text, units);
    // One unit per byte or nothing: a double-byte character types no text at all.
    if (written == 0 || written != length) return;
    TypeWithCapsLockOff(*t, text, static_cast<std::size_t>(units));
}

void SendAltSequence(std::uint8_t byte) {
    TransmitObject* t = CurrentTarget();
    if (!t) return;
    KeyboardEmulator& e = *t->emulator;
    std::int32_t key;
    if ((byte >= 'A' && byte <= 'Z') || byte == '2' || byte == '6') {
        key = byte;  // a letter's virtual key is its upper-case code
    } else if (byte == '-') {
        key = vk::OemMinus;
    } else if (byte == '[') {
        key = vk::OemOpenBracket;
    } else if (byte == '\\') {
        key = vk::OemBackslash;
    } else if (byte == ']') {
        key = vk::OemCloseBracket;
    } else if (byte == '@') {
        const std::int32_t two = platform::Current().VkKeyScan(u'2') & 0xFF;
        PressChord(e, {vk::Alt, vk::Shift, two});
        return;
    } else {
        return;  // the byte names no key
    }
    PressChord(e, {vk::Alt, key});
}

// ---- named and numbered keys -----------------------------------------------------------

std::span<const NamedKey> NamedKeys() { return kNamedKeys; }

void PressFunctionKey(std::uint16_t number) {
    TransmitObject* t = CurrentTarget();
    if (!t || number < 1 || number > 24) return;
    TapKeys(*t->emulator, {vk::F1 - 1 + number});
}

void PressKeyByName(const ByteArg& name) {
    TransmitObject* t = CurrentTarget();
    if (!t) return;
    // Only the first three bytes count. A shorter argument names no key: the
    // table's names have three letters, so nothing shorter can equal one, and
    // nothing past the argument is read.
    if (name.length() < 3) return;
    for (const NamedKey& k : kNamedKeys) {
        if (std::memcmp(name.bytes.data(), k.name, 3) == 0) {
            TapKeys(*t->emulator, {k.virtualKey});
            return;
        }
    }
}

// ---- single characters -----------------------------------------------------------------

namespace {

// Decodes one byte alone in the ANSI code page (whatever textEncoding says)
// and types it with its own Caps Lock guard; a byte that does not decode is
// skipped.
void TypeOneByte(std::uint8_t byte) {
    TransmitObject* t = CurrentTarget();
    if (!t) return;
    char16_t unit = 0;
    if (platform::Current().MultiByteToWide(kAnsiCodePage, &byte, 1, &unit, 1) == 0) return;
    TypeWithCapsLockOff(*t, &unit, 1);
}

}  // namespace

void TypeAsciiArgument(const ByteArg& argument) {
    if (!CurrentTarget()) return;
    if (argument.isNumber) {
        TypeOneByte(static_cast<std::uint8_t>(ParseDecimalBytes(argument) & 0xFF));
        return;
    }
    // TypeOneByte reads the TransmitObject again before each byte.
    for (const std::uint8_t byte : argument.bytes) TypeOneByte(byte);
}

std::int32_t ParseDecimalBytes(const ByteArg& argument) {
    if (argument.bytes.empty()) return -1;
    std::uint32_t value = 0;
    for (const std::uint8_t byte : argument.bytes) {
        if (byte < '0' || byte > '9') return -1;
        value = value * 10u + (byte - '0');
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace trelmix
