// Where a script's text comes from: the path of a script file, or the text
// itself written inline by the host (with five XML entities).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace trelmix {

// The string is a path exactly when a file or directory of that name exists.
bool IsScriptPath(const char16_t* string);

// Reads a script file byte for byte, each byte widened to one code unit
// (0x00..0xFF become U+0000..U+00FF: no byte-order mark detection, no UTF-8
// or UTF-16 decoding), NUL-terminated. Nothing when the file cannot be opened,
// sized or read, or when it is larger than kMaxScriptFileBytes.
// May throw std::bad_alloc.
std::optional<std::vector<char16_t>> ReadScriptFile(const char16_t* path);

// Scripts are read whole into memory; a larger file is refused.
inline constexpr std::uint64_t kMaxScriptFileBytes = 256u * 1024u * 1024u;

// Undoes &quot; &amp; &apos; &lt; &gt; in place (lower case, semicolon
// required). A produced character is not looked at again; the text only shrinks.
void UnescapeEntities(char16_t* text);

}  // namespace trelmix
