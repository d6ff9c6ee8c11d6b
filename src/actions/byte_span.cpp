#include "actions/byte_span.h"

#include <algorithm>
#include <cstring>

namespace trelmix {

namespace {

// Two-way search (Crochemore and Perrin): linear in the text plus the pattern
// whatever the bytes, with no extra memory. The pattern is split at a
// critical position into a left and a right part; the right part is matched
// left to right, then the left part right to left, and each mismatch shifts
// the window by as much as the pattern's periodicity allows.
struct Factorization {
    std::size_t split;   // the right part starts here
    std::size_t period;  // the pattern's period (when the pattern is periodic)
};

// The start of the lexicographically greatest suffix (with the byte order
// reversed when `reversed`) and that suffix's period.
Factorization MaximalSuffix(const std::uint8_t* x, std::size_t m, bool reversed) {
    std::size_t start = 0, j = 1, k = 1, period = 1;  // `start` is the candidate suffix
    while (j + k <= m) {
        const std::uint8_t a = x[j + k - 1];
        const std::uint8_t b = x[start + k - 1];
        if (a == b) {
            if (k == period) {
                j += period;
                k = 1;
            } else {
                ++k;
            }
        } else if ((a < b) != reversed) {
            j += k;
            k = 1;
            period = j - start;
        } else {
            start = j;
            j = start + 1;
            k = period = 1;
        }
    }
    return {start, period};
}

std::int64_t TwoWaySearch(const std::uint8_t* text, std::size_t n, const std::uint8_t* x, std::size_t m) {
    const Factorization forward = MaximalSuffix(x, m, false);
    const Factorization backward = MaximalSuffix(x, m, true);
    const Factorization f = forward.split > backward.split ? forward : backward;
    const std::size_t split = f.split;
    if (n < m) return -1;
    if (std::memcmp(x, x + f.period, split) == 0) {
        // Periodic pattern: after a full match of the right part, the next
        // `memory` bytes of the window are known to match already.
        const std::size_t period = f.period;
        std::size_t memory = 0;
        for (std::size_t j = 0; j <= n - m;) {
            std::size_t i = std::max(split, memory);
            while (i < m && x[i] == text[j + i]) ++i;
            if (i < m) {
                j += i - split + 1;
                memory = 0;
                continue;
            }
            std::size_t left = split;  // bytes of the left part not yet matched
            while (left > memory && x[left - 1] == text[j + left - 1]) --left;
            if (left <= memory) return static_cast<std::int64_t>(j);
            j += period;
            memory = m - period;
        }
    } else {
        const std::size_t shift = std::max(split, m - split) + 1;
        for (std::size_t j = 0; j <= n - m;) {
            std::size_t i = split;
            while (i < m && x[i] == text[j + i]) ++i;
            if (i < m) {
                j += i - split + 1;
                continue;
            }
            std::size_t left = split;
            while (left > 0 && x[left - 1] == text[j + left - 1]) --left;
            if (left == 0) return static_cast<std::int64_t>(j);
            j += shift;
        }
    }
    return -1;
}

}  // namespace

// The first byte is looked for with memchr and the rest compared at each hit:
// fast for the texts scripts search for. A long pattern whose first byte keeps
// turning up (the adversarial 'aaa...ab' in a run of a's) would make that cost
// the record's length times the pattern's; once hits are frequent the rest of
// the record is searched with the two-way algorithm, which stays linear.
std::int32_t ByteSpan::FindFrom(std::int32_t patternLength, const std::uint8_t* pattern,
                                std::uint32_t start) const {
    if (length <= 0 || !bytes || patternLength <= 0 || !pattern) return -1;
    if (start >= static_cast<std::uint32_t>(length)) return -1;
    if (patternLength == 1) {  // a separator, a space: memchr alone
        const void* hit = std::memchr(bytes + start, pattern[0], static_cast<std::size_t>(length) - start);
        return hit ? static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - bytes) : -1;
    }
    // Only offsets where the whole pattern fits can match.
    const std::int32_t last = length - patternLength;
    const std::uint8_t first = pattern[0];
    const auto m = static_cast<std::size_t>(patternLength);
    constexpr std::int32_t kShortPattern = 16;   // at most this many bytes per hit: linear anyway
    constexpr std::int32_t kHitsBeforeCheck = 32;
    std::int32_t hits = 0;
    const auto matchesAt = [&](std::int32_t i) {
        if (patternLength > 8) return std::memcmp(bytes + i, pattern, m) == 0;
        for (std::int32_t k = 1; k < patternLength; ++k) {
            if (bytes[i + k] != pattern[k]) return false;
        }
        return true;
    };
    for (std::int32_t i = static_cast<std::int32_t>(start); i <= last; ++i) {
        if (bytes[i] != first) {  // often the byte at the start is the one
            const void* hit = std::memchr(bytes + i, first, static_cast<std::size_t>(last - i + 1));
            if (!hit) return -1;
            i = static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - bytes);
        }
        if (matchesAt(i)) return i;
        if (patternLength > kShortPattern && ++hits > kHitsBeforeCheck &&
            hits > (i - static_cast<std::int32_t>(start)) / 8) {
            const std::int64_t at = TwoWaySearch(bytes + i + 1, static_cast<std::size_t>(length - i - 1), pattern, m);
            return at < 0 ? -1 : static_cast<std::int32_t>(i + 1 + at);
        }
    }
    return -1;
}

}  // namespace trelmix
