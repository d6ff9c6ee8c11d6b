// Keyboard emulation: key presses composed into the host's KeyboardEmulator
// records and injected through the platform, and text decoded from bytes and
// handed to the host's TypeCharacter one UTF-16 unit at a time.
//
// The library functions (SendText to ParseDecimalBytes) take the TransmitObject
// from the stored pointer when they start; with none set, or one whose
// emulator cannot be driven (CurrentTarget), they press and type nothing. TapKeys and PressChord work on the
// emulator they are given.
//
// A key press or chord allocates nothing: its records are built in the
// emulator's fixed buffer of twenty and injected with one SendInput, followed
// by the emulator's pause (delayMs, when not 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "actions/byte_arg.h"
#include "trelmix/trelmix.h"

namespace trelmix {

// Virtual-key codes the send actions press.
namespace vk {
inline constexpr std::int32_t Shift = 16;
inline constexpr std::int32_t Ctrl = 17;
inline constexpr std::int32_t Alt = 18;
inline constexpr std::int32_t CapsLock = 20;
inline constexpr std::int32_t LeftWindows = 91;
inline constexpr std::int32_t Numpad0 = 96;
inline constexpr std::int32_t Decimal = 110;
inline constexpr std::int32_t F1 = 112;
inline constexpr std::int32_t OemMinus = 189;
inline constexpr std::int32_t OemOpenBracket = 219;
inline constexpr std::int32_t OemBackslash = 220;
inline constexpr std::int32_t OemCloseBracket = 221;
}  // namespace vk

// A key list: at most ten codes are read; -1 ends the list early.
inline constexpr std::int32_t kEndOfKeys = -1;
inline constexpr std::size_t kMaxKeys = TRLM_EMULATOR_RECORDS / 2;
using KeyList = std::span<const std::int32_t>;

// Presses and releases each key in turn: one injection, then the pause.
// The records carry the key codes the emulator's keyCodeMode asks for (0 the
// virtual key, 1 the scan code, 2 both, any other value neither; in that last
// mode the key-up records keep the flags word 0).
void TapKeys(KeyboardEmulator& emulator, KeyList keys);
inline void TapKeys(KeyboardEmulator& emulator, std::initializer_list<std::int32_t> keys) {
    TapKeys(emulator, KeyList(keys.begin(), keys.size()));
}

// Presses the keys in order and releases them in reverse order: one
// injection, then the pause. The key-up records copy the key-down records'
// codes and always carry the key-up flag.
void PressChord(KeyboardEmulator& emulator, KeyList keys);
inline void PressChord(KeyboardEmulator& emulator, std::initializer_list<std::int32_t> keys) {
    PressChord(emulator, KeyList(keys.begin(), keys.size()));
}

// Types `length` bytes: an Alt prefix (first byte 0x12) presses the Alt
// combination its second byte names, then the rest is decoded (Windows-1252
// when the TransmitObject's textEncoding is 1 or 3, else the ANSI code page)
// and typed with Caps Lock switched off around the whole text. Nothing is
// typed unless every byte decodes to exactly one unit.
// A lone 0x12 byte is an Alt prefix without its key: nothing is pressed or
// typed. The bytes are not changed and nothing past `length` is read.
// May throw std::bad_alloc (for the decoded text) before typing anything.
void SendText(const std::uint8_t* bytes, std::int32_t length);

// Alt plus the key a prefix byte names ("A".."Z", "2", "6", "-", "@", "[",
// backslash, "]"). Nothing is pressed for any other byte.
void SendAltSequence(std::uint8_t byte);

// Taps F1..F24 for 1..24. Nothing is pressed for any other number.
void PressFunctionKey(std::uint16_t number);

// The key-name table: three letters and a zero byte each, searched in order
// (BSP, TAB, FFD, RET, ... NUM).
struct NamedKey {
    char name[4];
    std::uint16_t virtualKey;
};
std::span<const NamedKey> NamedKeys();

// Taps the key whose three-letter name (BSP, TAB, ... NUM; case-sensitive)
// the argument begins with: RETURN presses Enter. An argument shorter than
// three bytes (the empty one included) names no key.
void PressKeyByName(const ByteArg& name);

// Types the argument: a number as the one byte of its low 8 bits (digits
// that do not parse count as -1, so 0xFF), a text byte by byte; each byte is decoded alone in the ANSI code page and
// typed with its own Caps Lock guard, and a byte that does not decode is skipped. An empty text types nothing.
void TypeAsciiArgument(const ByteArg& argument);

// The decimal value of the argument's digits, computed in 32 bits without an
// overflow check; -1 when it is empty or holds anything but "0".."9".
std::int32_t ParseDecimalBytes(const ByteArg& argument);

}  // namespace trelmix
