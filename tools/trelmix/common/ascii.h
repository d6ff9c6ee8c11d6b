// Letters as keywords and key names are compared whatever their case: ASCII
// only, in bytes or UTF-16 units.
#pragma once

namespace trelmix::cli {

template <typename Char>
constexpr Char AsciiUpper(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - ('a' - 'A')) : c;
}

}  // namespace trelmix::cli
