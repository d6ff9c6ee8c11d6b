#include "common/record_escapes.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "common/ascii.h"

namespace trelmix::cli {

namespace {

bool Plain(std::uint32_t c) { return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\'; }

void AppendEscape(std::string& out, std::uint32_t c) {
    char buffer[8];
    if (c <= 0xFF) {
        std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
    } else {
        std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c & 0xFFFF));
    }
    out += buffer;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeRecordArgument(std::string_view text, std::string& error) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            bytes.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            bytes.push_back('\\');
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
            bytes.push_back(static_cast<std::uint8_t>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3])));
            i += 3;
            continue;
        }
        error = "bad escape at character " + std::to_string(i + 1) +
                " (write \\xHH with two hex digits for a byte, \\\\ for a backslash)";
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> DecodeHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string EncodeHex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return out;
}

std::string EscapeBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (Plain(bytes[i])) {
            out.push_back(static_cast<char>(bytes[i]));
        } else {
            AppendEscape(out, bytes[i]);
        }
    }
    return out;
}

std::string EscapeUnits(const std::vector<std::uint32_t>& units) {
    std::string out;
    for (std::uint32_t u : units) {
        if (Plain(u)) {
            out.push_back(static_cast<char>(u));
        } else {
            AppendEscape(out, u);
        }
    }
    return out;
}

std::string EscapeScriptText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t u : text) {
        if (u >= 0x20 && u <= 0x7E) {
            out.push_back(static_cast<char>(u));
        } else {
            AppendEscape(out, u);
        }
    }
    return out;
}

std::string JsonQuoted(std::string_view text) {
    return nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace trelmix::cli
