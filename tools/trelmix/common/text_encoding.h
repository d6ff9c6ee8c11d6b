// Between the command line's bytes (UTF-8) and the UTF-16 a host hands the
// library.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace trelmix::cli {

// UTF-8 to UTF-16. Text that is not valid UTF-8 is widened byte for byte
// (0x00..0xFF to U+0000..U+00FF), as the library widens a script file,
// unless it names an existing file: a path may hold any bytes, and the name
// then reaches the library so that it opens that file.
std::u16string FromCommandLine(std::string_view text);

// The code point of the UTF-8 sequence at text[i] (i < text.size()) and its
// length in bytes (1 to 4); nothing when the bytes there are not one.
std::optional<std::pair<char32_t, std::size_t>> DecodeUtf8At(std::string_view text, std::size_t i);

// UTF-16 to UTF-8 for the terminal.
std::string ToTerminal(std::u16string_view text);

// Script file text (one unit per file byte) back to the file's bytes.
std::string ToFileBytes(std::u16string_view text);

// True when the bytes are valid UTF-8.
bool IsUtf8(std::string_view bytes);

// Characters of a line as an editor counts them: UTF-8 sequences in file
// bytes count once when the bytes are valid UTF-8, else every byte counts.
std::size_t CountFileCharacters(std::u16string_view fileText);

}  // namespace trelmix::cli
