// ByteSpan: a view of bytes, and the searches every action and criterion
// uses on it.
#pragma once

#include <cstdint>

namespace trelmix {

// A non-owning view of bytes.
struct ByteSpan {
    std::int32_t length = 0;
    const std::uint8_t* bytes = nullptr;

    // The first offset >= start at which the span's remaining bytes begin with
    // the pattern, or -1. An occurrence always lies wholly inside the span.
    std::int32_t FindFrom(std::int32_t patternLength, const std::uint8_t* pattern,
                          std::uint32_t start) const;
};

}  // namespace trelmix
