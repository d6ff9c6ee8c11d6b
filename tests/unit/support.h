// Helpers shared by the unit tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "trelmix/trelmix.h"

namespace trelmix::test {

// Widens ASCII/Latin-1 text to UTF-16, one unit per byte.
inline std::u16string U16(std::string_view s) {
    std::u16string out;
    for (unsigned char c : s) out.push_back(c);
    return out;
}

inline std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }
inline std::string Str(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

inline HostId AppId(std::uint8_t n = 1) { return HostId{0xA11CE000u + n, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, n}}; }

}  // namespace trelmix::test
