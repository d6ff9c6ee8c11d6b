// ByteArg: one script argument converted to bytes. It is the type of the
// criteria strings and of the two text arguments every action carries.
#pragma once

#include <cstdint>
#include <vector>

namespace trelmix {

struct ByteArg {
    std::vector<std::uint8_t> bytes;  // any value 0..255; bytes.size() is the length
    bool isNumber = false;            // written as an unquoted number (bytes are its digits)
    // Where a search for these bytes looks first (ByteSpan::FindFrom): the
    // offset of the byte least likely to turn up in scanned data, set when a
    // quoted argument compiles; 0 looks for the first byte.
    std::uint32_t anchor = 0;
    // A text of 1 to 8 bytes, set with `anchor`: its bytes as a word in
    // memory order, and the mask that keeps them (0: no word), to test
    // where they stand with one compare.
    std::uint64_t word = 0;
    std::uint64_t wordMask = 0;

    std::int32_t length() const { return static_cast<std::int32_t>(bytes.size()); }
    // The first byte, or nullptr for an empty argument.
    const std::uint8_t* data() const { return bytes.empty() ? nullptr : bytes.data(); }
};

}  // namespace trelmix
