// ByteSpan: a view of bytes, and the searches every action and criterion
// uses on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "actions/byte_arg.h"

namespace trelmix {

// A non-owning view of bytes.
struct ByteSpan {
    std::int32_t length = 0;
    const std::uint8_t* bytes = nullptr;

    // The first offset >= start at which the span's remaining bytes begin with
    // the pattern, or -1. An occurrence always lies wholly inside the span.
    // `anchor`: the offset of the pattern byte looked for first (RarestByte).
    std::int32_t FindFrom(std::int32_t patternLength, const std::uint8_t* pattern, std::uint32_t start,
                          std::uint32_t anchor = 0) const;

private:
    // FindFrom once the occurrence is known to begin after `from`.
    std::int32_t FindAfter(std::int32_t from, std::int32_t patternLength, const std::uint8_t* pattern,
                           std::uint32_t start, std::size_t anchor) const;
};

// Inline up to the first place the anchor byte stands: a search mostly ends
// there, found or not, with one memchr.
inline std::int32_t ByteSpan::FindFrom(std::int32_t patternLength, const std::uint8_t* pattern, std::uint32_t start,
                                       std::uint32_t anchor) const {
    if (patternLength == 1) {  // a separator, mostly: one memchr and nothing else
        if (start >= static_cast<std::uint32_t>(length) || !bytes) return -1;
        const void* hit = std::memchr(bytes + start, pattern[0], static_cast<std::size_t>(length) - start);
        return hit ? static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - bytes) : -1;
    }
    if (length <= 0 || !bytes || patternLength <= 0 || !pattern) return -1;
    if (start >= static_cast<std::uint32_t>(length) || patternLength > length - static_cast<std::int32_t>(start)) {
        return -1;
    }
    const auto m = static_cast<std::size_t>(patternLength);
    const std::size_t a = anchor < m ? anchor : 0;
    // Only offsets where the whole pattern fits can match.
    const std::size_t places = static_cast<std::size_t>(length - patternLength) - start + 1;
    const void* hit = std::memchr(bytes + start + a, pattern[a], places);
    if (!hit) return -1;
    const auto i = static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - bytes - a);
    if (m <= 8) {
        std::size_t k = 0;
        while (k < m && bytes[static_cast<std::size_t>(i) + k] == pattern[k]) ++k;
        if (k == m) return i;
    } else if (std::memcmp(bytes + i, pattern, m) == 0) {
        return i;
    }
    return FindAfter(i, patternLength, pattern, start, a);
}

// The offset of the pattern byte least likely in scanned data (control bytes
// and punctuation before letters, letters before digits): the one a search
// looks for first, so that it stops at few places where the rest fails.
std::uint32_t RarestByte(const std::uint8_t* pattern, std::size_t length);

// Sets what searches and compares use of a text (ByteArg::anchor, word,
// wordMask), once its bytes are final.
void PrepareSearches(ByteArg& text);

// Copies n bytes, between buffers or within one (every byte is read before
// any is written, so the ranges may overlap). The pieces scripts copy are
// mostly a few bytes: those go as two words that may overlap rather than
// through a call. memmove is never given a null pointer (an empty record
// may have none).
inline void CopyBytes(std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
    const auto words = [&](auto word) {
        decltype(word) a, b;
        std::memcpy(&a, from, sizeof a);
        std::memcpy(&b, from + n - sizeof b, sizeof b);
        std::memcpy(to, &a, sizeof a);
        std::memcpy(to + n - sizeof b, &b, sizeof b);
    };
    if (n > 16) {
        std::memmove(to, from, n);
    } else if (n >= 8) {
        words(std::uint64_t{});
    } else if (n >= 4) {
        words(std::uint32_t{});
    } else if (n > 0) {
        const std::uint8_t a = from[0], b = from[n / 2], c = from[n - 1];
        to[0] = a;
        to[n / 2] = b;
        to[n - 1] = c;
    }
}

// n bytes of `fill`; a few as words that may overlap.
inline void FillBytes(std::uint8_t* to, std::uint8_t fill, std::size_t n) {
    const auto words = [&](auto word) {
        word = static_cast<decltype(word)>(0x0101010101010101ull * fill);
        std::memcpy(to, &word, sizeof word);
        std::memcpy(to + n - sizeof word, &word, sizeof word);
    };
    if (n > 16) {
        std::memset(to, fill, n);
    } else if (n >= 8) {
        words(std::uint64_t{});
    } else if (n >= 4) {
        words(std::uint32_t{});
    } else if (n > 0) {
        to[0] = fill;
        to[n / 2] = fill;
        to[n - 1] = fill;
    }
}

}  // namespace trelmix
