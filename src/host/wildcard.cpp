#include "host/wildcard.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace trelmix {

namespace {

bool IsWild(std::uint8_t b) { return b == '*' || b == '?'; }

using Kind = WildcardStep::Kind;

std::uint64_t Word(const std::uint8_t* bytes) {
    std::uint64_t w;
    std::memcpy(&w, bytes, sizeof w);
    return w;
}

// The record's first program.head bytes (it has that many) against the
// head's literals.
bool HeadMatches(const WildcardProgram& program, const std::uint8_t* record) {
    for (const WildcardProgram::HeadTest& t : program.headTests) {
        if (((Word(record + t.at) ^ t.want) & t.mask) != 0) return false;
    }
    return true;
}

}  // namespace

WildcardProgram CompileWildcard(const ByteArg& pattern) {
    WildcardProgram program;
    // Indexed through the vector, so that a debug build checks every read.
    const std::vector<std::uint8_t>& p = pattern.bytes;
    const std::int32_t n = pattern.length();
    bool star = false;
    for (std::int32_t i = 0; i < n;) {
        const std::int32_t at = i;
        if (p[i] == '?') {
            while (i < n && p[i] == '?') ++i;
            program.steps.push_back({Kind::Any, at, 0, i - at});
            program.minLength += i - at;
        } else if (p[i] == '*') {
            star = true;
            if (i + 1 == n) {
                program.steps.push_back({Kind::FinalStar, at, 0, 0});
                program.minLength += 1;
                break;
            }
            if (IsWild(p[i + 1])) {
                program.steps.push_back({Kind::Never, at, 0, 0});
                break;
            }
            for (++i; i < n && !IsWild(p[i]); ++i) {}
            program.steps.push_back({Kind::Find, at, at + 1, i - at - 1});
            program.minLength += i - at - 1;
        } else {
            while (i < n && !IsWild(p[i])) ++i;
            program.steps.push_back({Kind::Literal, at, at, i - at});
            program.minLength += i - at;
        }
    }
    program.exact = !star;
    std::uint32_t fixed = 0;
    std::int32_t head = 0;
    for (; fixed < program.steps.size(); ++fixed) {
        const WildcardStep& s = program.steps[fixed];
        if (s.kind != Kind::Literal && s.kind != Kind::Any) break;
        head += s.length;
    }
    if (head >= 8) {
        program.head = head;
        program.afterHead = fixed;
        // From the first literal not yet covered, a word (moved back to end
        // at the head's end when it would pass it).
        for (std::int32_t i = 0; i < head;) {
            if (p[i] == '?') {
                ++i;
                continue;
            }
            WildcardProgram::HeadTest t;
            t.at = std::min(i, head - 8);
            std::uint8_t want[8] = {}, mask[8] = {};  // in the record's byte order
            for (std::int32_t k = 0; k < 8; ++k) {
                if (p[t.at + k] == '?') continue;
                want[k] = p[t.at + k];
                mask[k] = 0xFF;
            }
            t.want = Word(want);
            t.mask = Word(mask);
            program.headTests.push_back(t);
            i = t.at + 8;
        }
    }
    program.prefix =
        program.steps.size() == 2 && program.steps[0].kind == Kind::Literal && program.steps[1].kind == Kind::FinalStar;
    return program;
}

namespace {

// The match, compiled twice: telling where it stopped (for the observer),
// and not, for runs, with fewer values to keep.
template <bool kReport>
bool Match(const ByteArg& pattern, const WildcardProgram& program, ByteSpan record, WildcardStop* stop) {
    const std::int32_t L = record.length;
    const auto stopped = [&](std::int32_t at, std::int32_t pos) {
        if constexpr (kReport) *stop = {at, pos};
        return false;
    };
    const std::uint8_t* p = pattern.data();
    std::int32_t pos = 0;
    const WildcardStep* step = program.steps.data();
    if (program.head && !kReport) {
        if (L < program.head || !HeadMatches(program, record.bytes)) return false;
        pos = program.head;
        step += program.afterHead;
    }
    const WildcardStep* const end = program.steps.data() + program.steps.size();
    for (; step != end; ++step) {
        const WildcardStep& s = *step;
        switch (s.kind) {
        case Kind::Literal: {  // wholly inside the record; a report names the first byte that differs
            if (!kReport && L - pos < s.length) return false;
            const std::int32_t have = std::min(L - pos, s.length);
            for (std::int32_t k = 0; k < have; ++k) {
                if (record.bytes[pos + k] != p[s.from + k]) return stopped(s.at, pos + k);
            }
            if (have < s.length) return stopped(s.at, L);
            pos += s.length;
            break;
        }
        case Kind::Any:
            if (L - pos < s.length) return stopped(s.at, pos);
            pos += s.length;
            break;
        case Kind::Find: {
            if (pos >= L - 1) return stopped(s.at, pos);  // two bytes left at least
            const std::int32_t found = record.FindFrom(s.length, p + s.from, static_cast<std::uint32_t>(pos));
            if (found < 0) return stopped(s.at, pos);
            pos = found + s.length;
            break;
        }
        case Kind::FinalStar: return pos < L || stopped(s.at, pos);
        case Kind::Never: return stopped(s.at, pos);
        }
    }
    return pos == L || stopped(pattern.length(), pos);
}

}  // namespace

bool WildcardMatch(const ByteArg& pattern, const WildcardProgram& program, ByteSpan record, WildcardStop* stop) {
    return stop ? Match<true>(pattern, program, record, stop) : Match<false>(pattern, program, record, nullptr);
}

bool WildcardMatchForRun(const ByteArg& pattern, const WildcardProgram& program, ByteSpan record) {
    return Match<false>(pattern, program, record, nullptr);
}

}  // namespace trelmix
