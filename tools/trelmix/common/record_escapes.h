// Records as the command line and the JSON lines write them, and bytes as the
// human output shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelmix::cli {

// A RECORD argument: its bytes, where `\xHH` (two hex digits, either case) is
// one byte and `\\` one backslash. Any other backslash is an error; `error`
// then says which and where.
std::optional<std::vector<std::uint8_t>> DecodeRecordArgument(std::string_view text, std::string& error);

// Hex digits in pairs, either case, to bytes; nothing when malformed.
std::optional<std::vector<std::uint8_t>> DecodeHex(std::string_view hex);

// Upper-case hex, two digits per byte.
std::string EncodeHex(const std::uint8_t* bytes, std::size_t count);

// Bytes as a person reads them between double quotes: printable ASCII as is,
// every other byte, the quote and the backslash as \xHH, so that the text can
// be given back as a RECORD argument.
std::string EscapeBytes(const std::uint8_t* bytes, std::size_t count);

// The same for typed UTF-16 units: units above 0xFF as \uHHHH.
std::string EscapeUnits(const std::vector<std::uint32_t>& units);

// Script text as explanations quote it, in plain ASCII: printable ASCII as
// is (quotes and backslashes too), every other unit as \xHH, above 0xFF as
// \uHHHH. A file's units are its bytes, so a Windows-1252 0xE9 reads \xE9.
std::string EscapeScriptText(std::u16string_view text);

// `text` as a JSON string, whatever its bytes: a byte that is not part of
// valid UTF-8 becomes U+FFFD, so the line stays valid JSON.
std::string JsonQuoted(std::string_view text);

}  // namespace trelmix::cli
