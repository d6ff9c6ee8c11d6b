#include "actions/forward_edits.h"

#include <algorithm>

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
            }
            i = std::max(end, i + 1);
        }
    }
}

// The record is the built bytes out[0, built) followed by the source's bytes
// from `used` on. Every edit lies at or after the built bytes (the cursor
// only moves forward, and each edit leaves it just after what it built), so
// each copies the source's bytes up to it, then adds its own.
void RunForward(const Action* first, DataContext& d) {
    const ByteSpan source = d.SpanFrom(0);
    const std::uint8_t* const src = source.bytes;
    const std::int32_t n = source.length;
    std::int32_t cursor = d.cursor;
    d.RebuildUpTo(static_cast<std::size_t>(n) + first->forwardGrowth, [&](std::uint8_t* out) {
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
            const std::int32_t at = ByteSpan{n - from, src + from}.FindFrom(text.length(), text.data(), 0);
            return at < 0 ? -1 : cursor + at;
        };
        for (const Action* a = first; a != first + first->forwardRun; ++a) {
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
