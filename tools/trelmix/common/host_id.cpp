#include "common/host_id.h"

#include <cstdio>

#include "common/ascii.h"

namespace trelmix::cli {

namespace {

// Reads `digits` hex digits at `at` into `value`.
bool ReadHex(std::string_view text, std::size_t at, std::size_t digits, std::uint64_t& value) {
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int v = HexValue(text[at + i]);
        if (v < 0) return false;
        value = value * 16 + static_cast<std::uint64_t>(v);
    }
    return true;
}

}  // namespace

std::optional<HostId> ParseHostId(std::string_view text) {
    if (!text.empty() && text.front() == '{') {
        if (text.size() < 2 || text.back() != '}') return std::nullopt;
        text = text.substr(1, text.size() - 2);
    }
    // 8-4-4-4-12
    if (text.size() != 36) return std::nullopt;
    for (std::size_t dash : {8u, 13u, 18u, 23u}) {
        if (text[dash] != '-') return std::nullopt;
    }
    HostId id{};
    std::uint64_t v = 0;
    if (!ReadHex(text, 0, 8, v)) return std::nullopt;
    id.data1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 9, 4, v)) return std::nullopt;
    id.data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 14, 4, v)) return std::nullopt;
    id.data3 = static_cast<std::uint16_t>(v);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t at = i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2);
        if (!ReadHex(text, at, 2, v)) return std::nullopt;
        id.data4[i] = static_cast<std::uint8_t>(v);
    }
    return id;
}

std::string FormatHostId(const HostId& id) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(id.data1), id.data2, id.data3, id.data4[0], id.data4[1], id.data4[2],
                  id.data4[3], id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
    return buffer;
}

std::optional<std::uint32_t> ParseDecimal32(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace trelmix::cli
