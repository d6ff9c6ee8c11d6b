// Fuzz target: the lexer on arbitrary UTF-16 lines. Every span it returns must
// lie inside the line, and the conversions must never read outside it.
#include <cstdint>
#include <memory>
#include <string>

#include "script/text.h"

using namespace trelmix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 65536) return 0;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    // Exactly sized: AddressSanitizer reports any read past the text.
    auto owned = std::make_unique<char16_t[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), owned.get());
    owned[text.size()] = 0;
    const char16_t* base = owned.get();
    const auto length = static_cast<std::uint32_t>(text.size());

    std::int64_t position = 0;
    while (position >= 0) {
        TextSpan line = TrimLeft(NextLine(base, length, position), kLineBlanks);
        if (line.length && (line.text < base || line.end() > base + length)) __builtin_trap();
        ArgumentList args;
        if (!ParseArgumentList(line, args)) continue;
        for (const TextSpan& a : args) {
            if (a.text < line.text || a.end() > line.end() || a.empty()) __builtin_trap();
            std::uint32_t number = 0;
            ByteArg bytes;
            ParseNumber(a, number);
            if (ParseQuotedString(a, bytes)) {
                const auto before = bytes.length();
                DecodeHexEscapes(bytes);
                if (bytes.length() > before) __builtin_trap();
            }
            ParseStringOrNumber(a, bytes);
        }
    }
    return 0;
}
