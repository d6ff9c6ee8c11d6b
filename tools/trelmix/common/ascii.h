// ASCII letters and hex digits, in bytes or UTF-16 units: keywords and key
// names compared whatever their case, escapes read.
#pragma once

namespace trelmix::cli {

template <typename Char>
constexpr Char AsciiUpper(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - ('a' - 'A')) : c;
}

// The value of one hex digit (either case), or -1.
template <typename Char>
constexpr int HexValue(Char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace trelmix::cli
