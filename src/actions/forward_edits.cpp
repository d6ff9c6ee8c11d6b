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

std::uint32_t MostAdded(const Action& a) {
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

void MarkForwardRuns(Program& program) {
    bool runs = false;
    for (const Rule& rule : program.rules) {
        if (!rule.actions) continue;
        Action* const block = program.actions.data() + rule.actions->first;
        for (std::uint32_t i = 0; i < rule.actions->count;) {
            std::uint32_t end = i, edits = 0;
            std::uint64_t growth = 0;
            for (; end < rule.actions->count && IsForward(block[end]); ++end) {
                edits += IsEdit(block[end]);
                growth += MostAdded(block[end]);
            }
            if (end - i >= 2 && edits >= 2 && growth <= static_cast<std::uint64_t>(kMaxRecordLength)) {
                runs = true;
                block[i].forwardRun = end - i;
                block[i].forwardGrowth = static_cast<std::uint32_t>(growth);
                for (Action* a = block + i; a != block + end; ++a) {
                    if (!IsEdit(*a)) continue;
                    const ByteArg& text = a->kind == K::ReplaceFirst ? a->arg2 : a->arg1;
                    a->forwardText = static_cast<std::uint32_t>(program.plan.forward.text.size());
                    a->forwardTextLength = static_cast<std::uint32_t>(text.bytes.size());
                    program.plan.forward.text.insert(program.plan.forward.text.end(), text.bytes.begin(),
                                                     text.bytes.end());
                }
                MarkStretches(block + i, block + end, program.plan.forward);
            }
            i = std::max(end, i + 1);
        }
    }
    // Texts are copied kSlack bytes at a time: room after the last.
    if (runs) program.plan.forward.text.resize(program.plan.forward.text.size() + kSlack);
}

// Every edit lies before the cursor (the cursor only moves forward, and each
// edit leaves it just after what it built), so the record from the cursor
// on is still the source's, unchanged: the run keeps the cursor as a place
// in the source (`at`), searches the source itself, and builds the result
// left to right: the source's bytes up to each edit, copied once, then the
// edit's own. `used`: the source bytes copied or replaced so far.
void RunForward(const Action* first, const ForwardPlan& plan, DataContext& d) {
    const ByteSpan source = d.SpanFrom(0);
    const std::uint8_t* const src = source.bytes;
    const std::int32_t n = source.length;
    std::int32_t at = d.cursor;  // -1 only before anything is copied; past n after CRUNCH_SPACES
    d.RebuildUpTo(static_cast<std::size_t>(n) + first->forwardGrowth + kSlack, [&](std::uint8_t* out) {
        std::uint8_t* to = out;
        std::int32_t used = 0;
        // Hoisted: the bytes written through `to` could alias them, as far
        // as the compiler knows, and would make each be read again.
        const Action* const end = first + first->forwardRun;
        const std::uint8_t* const texts = plan.text.data();
        const FixedStretch* const stretches = plan.stretches.data();
        const FixedPiece* const pieces = plan.pieces.data();
        // The last source offset kSlack bytes can be read from (-1: none).
        const std::int32_t lastWhole = n >= std::int32_t{kSlack} ? n - std::int32_t{kSlack} : -1;
        const auto pass = [&](std::int32_t upTo) {  // the source up to offset `upTo`
            const auto k = static_cast<std::size_t>(upTo - used);
            if (k <= kSlack && used <= lastWhole) {
                std::memcpy(to, src + used, kSlack);
            } else {
                CopyBytes(to, src + used, k);
            }
            to += k;
            used = upTo;
        };
        const auto put = [&](std::uint32_t from, std::uint32_t length) {  // a text of the plan
            CopyShort(to, texts + from, length, true);
            to += length;
        };
        // The first occurrence at or after the cursor, as a source offset.
        const auto find = [&](const ByteArg& text) {
            if (at < 0 || at >= n) return -1;
            const std::int32_t h = ByteSpan{n - at, src + at}.FindFrom(text.length(), text.data(), 0, text.anchor);
            return h < 0 ? -1 : at + h;
        };
        for (const Action* a = first; a != end; ++a) {
            // A fixed stretch whose skips all land inside the record: its
            // pieces, without a test per action.
            if (a->stretch) {
                const FixedStretch& s = stretches[a->stretch - 1];
                if (at >= used && std::int64_t{at} + static_cast<std::int64_t>(s.skips) < n) {
                    const FixedPiece* p = pieces + s.firstPiece;
                    const FixedPiece* const last = p + s.pieces;
                    if (at != used) pass(at);
                    if (s.shortPieces) {
                        // While kSlack bytes from the piece lie in the source.
                        for (; p != last && used <= lastWhole; ++p) {
                            std::memcpy(to, src + used, kSlack);
                            to += p->copy;
                            used += static_cast<std::int32_t>(p->copy);
                            std::memcpy(to, texts + p->textFrom, kSlack);
                            to += p->textLength;
                        }
                    }
                    for (; p != last; ++p) {
                        pass(used + static_cast<std::int32_t>(p->copy));
                        put(p->textFrom, p->textLength);
                    }
                    at = used + static_cast<std::int32_t>(s.trailing);
                    a += s.actions - 1;
                    continue;
                }
            }
            switch (a->kind) {
            case K::Insert:  // at 0 for a cursor of -1, at the end for one past it
                pass(std::clamp(at, 0, n));
                put(a->forwardText, a->forwardTextLength);
                at = used;
                break;
            case K::SkipAhead:
                if (const std::int64_t t = std::int64_t{at} + a->count; t >= 0 && t < n) {
                    at = static_cast<std::int32_t>(t);
                }
                break;
            case K::ReplaceFirst:
                if (const std::int32_t h = find(a->arg1); h >= 0) {
                    pass(h);
                    used += a->arg1.length();
                    put(a->forwardText, a->forwardTextLength);
                    at = used;
                }
                break;
            case K::MoveBefore:
            case K::MoveAfter:
                if (const std::int32_t h = find(a->arg1); h >= 0) {
                    at = h + (a->kind == K::MoveAfter ? a->arg1.length() : 0);
                }
                break;
            case K::Append:
                pass(n);
                put(a->forwardText, a->forwardTextLength);
                at = n;
                break;
            default: break;  // not in a run (MarkForwardRuns)
            }
        }
        pass(n);
        // The cursor's place in the source, moved by what the edits before it added.
        const auto built = static_cast<std::int32_t>(to - out);
        at += built - n;
        return static_cast<std::size_t>(built);
    });
    d.cursor = at;
}

}  // namespace trelmix
