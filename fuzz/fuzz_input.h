// The input the engine fuzzers share: [flags] [script bytes] 0x00 [record]
// 0x00 [record] ... Flags bit 6: the script is UTF-16LE rather than one unit
// per byte; the other bits are each target's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzz {

// The first zero byte in [from, end), or end.
inline const std::uint8_t* FindZero(const std::uint8_t* from, const std::uint8_t* end) {
    const void* z = std::memchr(from, 0, static_cast<std::size_t>(end - from));
    return z ? static_cast<const std::uint8_t*>(z) : end;
}

struct Input {
    std::uint8_t flags = 0;
    std::u16string script;
    const std::uint8_t* records = nullptr;  // the records, zero-separated, up to `end`
    const std::uint8_t* end = nullptr;
};

// `size` is at least 1.
inline Input ReadInput(const std::uint8_t* data, std::size_t size) {
    Input in;
    in.flags = data[0];
    in.end = data + size;
    const std::uint8_t* p = data + 1;
    const std::uint8_t* scriptEnd = FindZero(p, in.end);
    if (in.flags & 0x40) {
        for (const std::uint8_t* q = p; q + 1 < scriptEnd; q += 2)
            in.script.push_back(static_cast<char16_t>(q[0] | q[1] << 8));
    } else {
        in.script.assign(p, scriptEnd);
    }
    in.records = scriptEnd < in.end ? scriptEnd + 1 : in.end;
    return in;
}

}  // namespace fuzz
