#include "platform/us_layout.h"

namespace trelmix::platform {

namespace {

struct Key {
    char16_t plain;
    char16_t shifted;
    std::uint8_t vk;
};

// The printable keys of the US layout.
constexpr Key kKeys[] = {
    {u'`', u'~', 0xC0}, {u'1', u'!', '1'}, {u'2', u'@', '2'}, {u'3', u'#', '3'}, {u'4', u'$', '4'},
    {u'5', u'%', '5'}, {u'6', u'^', '6'}, {u'7', u'&', '7'}, {u'8', u'*', '8'}, {u'9', u'(', '9'},
    {u'0', u')', '0'}, {u'-', u'_', 0xBD}, {u'=', u'+', 0xBB}, {u'[', u'{', 0xDB}, {u']', u'}', 0xDD},
    {u'\\', u'|', 0xDC}, {u';', u':', 0xBA}, {u'\'', u'"', 0xDE}, {u',', u'<', 0xBC}, {u'.', u'>', 0xBE},
    {u'/', u'?', 0xBF}, {u' ', 0, 0x20},
};

}  // namespace

std::int16_t UsVkKeyScan(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<std::int16_t>(c - u'a' + 'A');
    if (c >= u'A' && c <= u'Z') return static_cast<std::int16_t>(0x100 | c);
    for (const Key& k : kKeys) {
        if (c == k.plain) return k.vk;
        if (k.shifted && c == k.shifted) return static_cast<std::int16_t>(0x100 | k.vk);
    }
    // Control characters: the Ctrl (2) and Ctrl+Shift (3) columns of the layout.
    switch (c) {
    case 0x00: return 0x332;   // Ctrl+Shift+2
    case 0x03: return 0x03;    // Ctrl+Break (its own key comes before Ctrl+C)
    case 0x08: return 0x08;    // Backspace
    case u'\t': return 0x09;
    case u'\n': return 0x20D;  // Ctrl+Enter
    case u'\r': return 0x0D;
    case 0x1B: return 0x1B;    // Escape
    case 0x1C: return 0x2DC;   // Ctrl+backslash
    case 0x1D: return 0x2DD;   // Ctrl+]
    case 0x1E: return 0x336;   // Ctrl+Shift+6
    case 0x1F: return 0x3BD;   // Ctrl+Shift+-
    case 0x7F: return 0x208;   // Ctrl+Backspace
    default: break;
    }
    if (c >= 0x01 && c <= 0x1A) return static_cast<std::int16_t>(0x200 | (c - 1 + 'A'));  // Ctrl+letter
    return -1;
}

std::uint32_t UsScanCode(std::uint32_t vk) {
    // Letters, in virtual-key order A..Z.
    static constexpr std::uint8_t kLetters[26] = {
        0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
        0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,
    };
    if (vk >= 'A' && vk <= 'Z') return kLetters[vk - 'A'];
    if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
    if (vk == '0') return 0x0B;
    if (vk >= 112 && vk <= 121) return 0x3B + (vk - 112);  // F1..F10
    if (vk == 122) return 0x57;                            // F11
    if (vk == 123) return 0x58;                            // F12
    if (vk >= 124 && vk <= 134) return 0x64 + (vk - 124);  // F13..F23
    if (vk == 135) return 0x76;                            // F24
    switch (vk) {
    case 0x03: return 0x46;  // Break
    case 0x08: return 0x0E;  // Backspace
    case 0x09: return 0x0F;  // Tab
    case 0x0C: return 0x4C;  // Clear
    case 0x0D: return 0x1C;  // Enter
    case 0x10: return 0x2A;  // Shift
    case 0x11: return 0x1D;  // Ctrl
    case 0x12: return 0x38;  // Alt
    case 0x14: return 0x3A;  // Caps Lock (Pause, 0x13, has none: Windows answers 0)
    case 0x1B: return 0x01;  // Escape
    case 0x20: return 0x39;  // Space
    case 0x21: return 0x49;  // Page Up
    case 0x22: return 0x51;  // Page Down
    case 0x23: return 0x4F;  // End
    case 0x24: return 0x47;  // Home
    case 0x25: return 0x4B;  // Left
    case 0x26: return 0x48;  // Up
    case 0x27: return 0x4D;  // Right
    case 0x28: return 0x50;  // Down
    case 0x2C: return 0x54;  // Print Screen
    case 0x2D: return 0x52;  // Insert
    case 0x2E: return 0x53;  // Delete
    case 0x2F: return 0x63;  // Help
    case 0x5B: return 0x5B;  // left Windows key
    case 0x5C: return 0x5C;  // right Windows key
    case 0x5D: return 0x5D;  // Applications
    case 0x5F: return 0x5F;  // Sleep
    case 0x60: return 0x52;  // keypad 0..9
    case 0x61: return 0x4F;
    case 0x62: return 0x50;
    case 0x63: return 0x51;
    case 0x64: return 0x4B;
    case 0x65: return 0x4C;
    case 0x66: return 0x4D;
    case 0x67: return 0x47;
    case 0x68: return 0x48;
    case 0x69: return 0x49;
    case 0x6A: return 0x37;  // keypad *
    case 0x6B: return 0x4E;  // keypad +
    case 0x6D: return 0x4A;  // keypad -
    case 0x6E: return 0x53;  // keypad .
    case 0x6F: return 0x35;  // keypad /
    case 0x90: return 0x45;  // Num Lock
    case 0x91: return 0x46;  // Scroll Lock
    case 0xA0: return 0x2A;
    case 0xA1: return 0x36;
    case 0xA2: return 0x1D;
    case 0xA3: return 0x1D;
    case 0xA4: return 0x38;
    case 0xA5: return 0x38;
    // Browser, volume, media and launch keys (sent with the E0 prefix).
    case 0xA6: return 0x6A;
    case 0xA7: return 0x69;
    case 0xA8: return 0x67;
    case 0xA9: return 0x68;
    case 0xAA: return 0x65;
    case 0xAB: return 0x66;
    case 0xAC: return 0x32;
    case 0xAD: return 0x20;
    case 0xAE: return 0x2E;
    case 0xAF: return 0x30;
    case 0xB0: return 0x19;
    case 0xB1: return 0x10;
    case 0xB2: return 0x24;
    case 0xB3: return 0x22;
    case 0xB4: return 0x6C;
    case 0xB5: return 0x6D;
    case 0xB6: return 0x6B;
    case 0xB7: return 0x21;
    case 0xBA: return 0x27;  // ;
    case 0xBB: return 0x0D;  // =
    case 0xBC: return 0x33;  // ,
    case 0xBD: return 0x0C;  // -
    case 0xBE: return 0x34;  // .
    case 0xBF: return 0x35;  // /
    case 0xC0: return 0x29;  // `
    case 0xDB: return 0x1A;  // [
    case 0xDC: return 0x2B;  // backslash
    case 0xDD: return 0x1B;  // ]
    case 0xDE: return 0x28;  // '
    case 0xC1: return 0x73;  // the two Brazilian keys
    case 0xC2: return 0x7E;
    case 0xE2: return 0x56;  // the 102nd key
    // The OEM keys of the layout's spare scan codes.
    case 0xE9: return 0x71;
    case 0xEA: return 0x5C;
    case 0xEB: return 0x7B;
    case 0xED: return 0x6F;
    case 0xEE: return 0x5A;
    case 0xF1: return 0x5B;
    case 0xF3: return 0x5F;
    case 0xF5: return 0x5E;
    case 0xF9: return 0x5D;
    case 0xFB: return 0x62;
    default: return 0;
    }
}

}  // namespace trelmix::platform
