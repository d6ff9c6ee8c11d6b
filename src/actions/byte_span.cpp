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

// How often a byte turns up in scanned data, roughly: digits most, then
// letters and the space, then punctuation, control bytes and the rest least.
static int Commonness(std::uint8_t b) {
    if (b >= '0' && b <= '9') return 5;
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return 4;
    if (b == ' ') return 3;
    if (b > ' ' && b < 0x7F) return 2;
    return 1;
}

std::uint32_t RarestByte(const std::uint8_t* pattern, std::size_t length) {
    std::size_t rarest = 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (Commonness(pattern[i]) < Commonness(pattern[rarest])) rarest = i;
    }
    return static_cast<std::uint32_t>(rarest);
}

void PrepareSearches(ByteArg& text) {
    text.anchor = RarestByte(text.bytes.data(), text.bytes.size());
    text.word = text.wordMask = 0;
    if (text.bytes.empty() || text.bytes.size() > 8) return;
    std::uint8_t word[8] = {}, mask[8] = {};
    for (std::size_t i = 0; i < text.bytes.size(); ++i) {
        word[i] = text.bytes[i];
        mask[i] = 0xFF;
    }
    std::memcpy(&text.word, word, 8);
    std::memcpy(&text.wordMask, mask, 8);
}

// The anchor byte is looked for with memchr and the whole pattern compared at
// each hit: fast for the texts scripts search for. A long pattern whose anchor
// keeps turning up (the adversarial 'aaa...ab' in a run of a's) would make
// that cost the record's length times the pattern's; once hits are frequent
// the rest of the record is searched with the two-way algorithm, which stays
// linear.
[[gnu::noinline]] std::int32_t ByteSpan::FindAfter(std::int32_t from, std::int32_t patternLength,
                                                   const std::uint8_t* pattern, std::uint32_t start,
                                                   std::size_t a) const {
    const std::int32_t last = length - patternLength;
    const auto m = static_cast<std::size_t>(patternLength);
    const std::uint8_t key = pattern[a];
    constexpr std::int32_t kShortPattern = 16;  // at most this many bytes per hit: linear anyway
    constexpr std::int32_t kHitsBeforeCheck = 32;
    std::int32_t hits = 1;
    const auto matchesAt = [&](std::int32_t i) {
        if (patternLength > 8) return std::memcmp(bytes + i, pattern, m) == 0;
        for (std::int32_t k = 0; k < patternLength; ++k) {
            if (bytes[i + k] != pattern[k]) return false;
        }
        return true;
    };
    for (std::int32_t i = from + 1; i <= last; ++i) {
        if (bytes[i + a] != key) {  // often the next byte is the one
            const void* hit = std::memchr(bytes + i + a, key, static_cast<std::size_t>(last - i + 1));
            if (!hit) return -1;
            i = static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - bytes - a);
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
