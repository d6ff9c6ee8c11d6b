#include "actions/forward_edits.h"

#include <algorithm>
#include <cstring>

namespace trelmix {

namespace {

using K = ActionKind;

// The kinds a run may hold, and what each can add at most.
bool IsForward(const Action& a) {
    switch (a.kind) {
    case K::Insert:
    case K::ReplaceFirst:
    case K::MoveBefore:
    case K::MoveAfter:
    case K::Append: return true;
    case K::SkipAhead: return a.count >= 0;  // a count of 2^31 or more moves back
    default: return false;
    }
}

bool IsEdit(const Action& a) { return a.kind == K::Insert || a.kind == K::ReplaceFirst || a.kind == K::Append; }

std::uint32_t Growth(const Action& a) {
    if (a.kind == K::ReplaceFirst) return static_cast<std::uint32_t>(a.arg2.bytes.size());
    return IsEdit(a) ? static_cast<std::uint32_t>(a.arg1.bytes.size()) : 0;
}

// The result is built with kSlack bytes of room after it, and the plan's
// texts are followed by kSlack bytes, so a short piece goes as one copy of
// kSlack bytes: what it writes past its end, a later piece overwrites.
constexpr std::size_t kSlack = 16;

inline void CopyShort(std::uint8_t* to, const std::uint8_t* from, std::size_t n, bool readable) {
    if (n <= kSlack && readable) {
        std::memcpy(to, from, kSlack);
    } else {
        CopyBytes(to, from, n);
    }
}

bool IsFixed(const Action& a) { return a.kind == K::Insert || (a.kind == K::SkipAhead && a.count >= 0); }

// Turns each stretch of two or more INSERTs and SKIP_AHEADs in [first, end)
// holding an INSERT into pieces: the bytes skipped before each text, then the
// text (texts with nothing skipped between them join).
void MarkStretches(Action* first, Action* end, ForwardPlan& plan) {
    for (Action* a = first; a != end;) {
        Action* stop = a;
        bool inserts = false;
        for (; stop != end && IsFixed(*stop); ++stop) inserts |= stop->kind == K::Insert;
        if (stop - a >= 2 && inserts) {
            FixedStretch s;
            s.actions = static_cast<std::uint32_t>(stop - a);
            s.firstPiece = static_cast<std::uint32_t>(plan.pieces.size());
            std::uint32_t pending = 0;
            for (const Action* b = a; b != stop; ++b) {
                if (b->kind == K::SkipAhead) {
                    pending += static_cast<std::uint32_t>(b->count);
                    s.skips += static_cast<std::uint32_t>(b->count);
                    continue;
                }
                if (pending > 0 || plan.pieces.size() == s.firstPiece) {
                    plan.pieces.push_back({pending, static_cast<std::uint32_t>(plan.text.size()), 0});
                }
                plan.text.insert(plan.text.end(), b->arg1.bytes.begin(), b->arg1.bytes.end());
                plan.pieces.back().textLength += static_cast<std::uint32_t>(b->arg1.bytes.size());
                pending = 0;
            }
            s.pieces = static_cast<std::uint32_t>(plan.pieces.size()) - s.firstPiece;
            s.shortPieces = true;
            for (std::uint32_t k = s.firstPiece; k < plan.pieces.size(); ++k) {
                s.shortPieces &= plan.pieces[k].copy <= kSlack && plan.pieces[k].textLength <= kSlack;
            }
            s.trailing = pending;
            plan.stretches.push_back(s);
            a->stretch = static_cast<std::uint32_t>(plan.stretches.size());
        }
        a = stop == a ? a + 1 : stop;
    }
}

}  // namespace

void MarkForwardRuns(Script& script) {
    for (const Rule& rule : script.rules) {
        if (!rule.actions) continue;
        Action* const block = script.actions.data() + rule.actions->first;
        for (std::uint32_t i = 0; i < rule.actions->count;) {
            std::uint32_t end = i, edits = 0;
            std::uint64_t growth = 0;
            for (; end < rule.actions->count && IsForward(block[end]); ++end) {
                edits += IsEdit(block[end]);
                growth += Growth(block[end]);
            }
            if (end - i >= 2 && edits >= 2 && growth <= static_cast<std::uint64_t>(kMaxRecordLength)) {
                block[i].forwardRun = end - i;
                block[i].forwardGrowth = static_cast<std::uint32_t>(growth);
                MarkStretches(block + i, block + end, script.forward);
            }
            i = std::max(end, i + 1);
        }
    }
    if (!script.forward.stretches.empty()) script.forward.text.resize(script.forward.text.size() + kSlack);
}

// The record is the built bytes out[0, built) followed by the source's bytes
// from `used` on. Every edit lies at or after the built bytes (the cursor
// only moves forward, and each edit leaves it just after what it built), so
// each copies the source's bytes up to it, then adds its own.
void RunForward(const Action* first, const ForwardPlan& plan, DataContext& d) {
    const ByteSpan source = d.SpanFrom(0);
    const std::uint8_t* const src = source.bytes;
    const std::int32_t n = source.length;
    std::int32_t cursor = d.cursor;
    d.RebuildUpTo(static_cast<std::size_t>(n) + first->forwardGrowth + kSlack, [&](std::uint8_t* out) {
        std::int32_t built = 0, used = 0;
        const auto length = [&] { return built + (n - used); };
        const auto pass = [&](std::int32_t to) {  // builds up to record position `to`
            CopyBytes(out + built, src + used, static_cast<std::size_t>(to - built));
            used += to - built;
            built = to;
        };
        const auto put = [&](const ByteArg& text) {
            CopyBytes(out + built, text.data(), text.bytes.size());
            built += text.length();
        };
        // The first occurrence at or after the cursor, as a record position.
        const auto find = [&](const ByteArg& text) {
            if (cursor < 0 || cursor >= length()) return -1;
            const std::int32_t from = used + (cursor - built);
            const std::int32_t at = ByteSpan{n - from, src + from}.FindFrom(text.length(), text.data(), 0, text.anchor);
            return at < 0 ? -1 : cursor + at;
        };
        // Hoisted: the bytes written through `out` could alias them, as far
        // as the compiler knows, and would make each be read again.
        const Action* const end = first + first->forwardRun;
        const std::uint8_t* const texts = plan.text.data();
        const FixedStretch* const stretches = plan.stretches.data();
        const FixedPiece* const pieces = plan.pieces.data();
        for (const Action* a = first; a != end; ++a) {
            // A fixed stretch whose skips all land inside the record: its
            // pieces, without a test per action.
            if (a->stretch) {
                const FixedStretch& s = stretches[a->stretch - 1];
                if (cursor >= built && std::int64_t{cursor} + static_cast<std::int64_t>(s.skips) < length()) {
                    pass(cursor);
                    std::uint8_t* to = out + built;
                    const std::uint8_t* from = src + used;
                    const FixedPiece* p = pieces + s.firstPiece;
                    const FixedPiece* const last = p + s.pieces;
                    // The last place kSlack bytes can be read from, when the record has that many.
                    const bool wide = n >= std::int32_t{kSlack};
                    const std::uint8_t* const lastWhole = src + (wide ? n - std::int32_t{kSlack} : 0);
                    const auto readable = [&] { return wide && from <= lastWhole; };
                    if (s.shortPieces && wide) {
                        // While kSlack bytes from the piece lie in the record.
                        for (; p != last && from <= lastWhole; ++p) {
                            std::memcpy(to, from, kSlack);
                            to += p->copy;
                            from += p->copy;
                            std::memcpy(to, texts + p->textFrom, kSlack);
                            to += p->textLength;
                        }
                    }
                    for (; p != last; ++p) {
                        CopyShort(to, from, p->copy, readable());
                        to += p->copy;
                        from += p->copy;
                        CopyShort(to, texts + p->textFrom, p->textLength, true);
                        to += p->textLength;
                    }
                    built = static_cast<std::int32_t>(to - out);
                    used = static_cast<std::int32_t>(from - src);
                    cursor = built + static_cast<std::int32_t>(s.trailing);
                    a += s.actions - 1;
                    continue;
                }
            }
            switch (a->kind) {
            case K::Insert:  // at 0 for a cursor of -1, at the end for one past it
                pass(std::clamp(cursor, 0, length()));
                put(a->arg1);
                cursor = built;
                break;
            case K::SkipAhead:
                if (const std::int64_t to = std::int64_t{cursor} + a->count; to >= 0 && to < length()) {
                    cursor = static_cast<std::int32_t>(to);
                }
                break;
            case K::ReplaceFirst:
                if (const std::int32_t at = find(a->arg1); at >= 0) {
                    pass(at);
                    used += a->arg1.length();
                    put(a->arg2);
                    cursor = built;
                }
                break;
            case K::MoveBefore:
            case K::MoveAfter:
                if (const std::int32_t at = find(a->arg1); at >= 0) {
                    cursor = at + (a->kind == K::MoveAfter ? a->arg1.length() : 0);
                }
                break;
            case K::Append:
                pass(length());
                put(a->arg1);
                cursor = built;
                break;
            default: break;  // not in a run (MarkForwardRuns)
            }
        }
        pass(length());
        return static_cast<std::size_t>(built);
    });
    d.cursor = cursor;
}

}  // namespace trelmix
