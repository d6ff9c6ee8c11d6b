// Replace, move and insert: what the actions that take text do when their
// rule runs.
#include <cstring>
#include <new>

#include "actions/action.h"
#include "actions/data_context.h"

namespace trelmix {

// Whether a short text stands right at the cursor, as a prefix being
// stripped does: then there is nothing to search for.
static bool StandsAt(const DataContext& d, const ByteArg& text) {
    const std::int32_t n = text.length();
    if (n == 0 || n > 8 || n > d.length - d.cursor) return false;
    for (std::int32_t i = 0; i < n; ++i) {
        if (d.bytes[d.cursor + i] != text.bytes[static_cast<std::size_t>(i)]) return false;
    }
    return true;
}

// The search itself, apart: a text standing at the cursor needs no frame
// for it.
[[gnu::noinline]] static std::int32_t Search(const DataContext& d, const ByteArg& text) {
    return d.SpanFrom(0).FindFrom(text.length(), text.data(), static_cast<std::uint32_t>(d.cursor), text.anchor);
}

// The first occurrence of `text` at or after the cursor lying wholly inside
// the data, or -1 (also for an empty text or a cursor outside the data).
static std::int32_t SearchForward(const DataContext& d, const ByteArg& text) {
    if (d.cursor < 0 || d.cursor >= d.length) return -1;
    if (StandsAt(d, text)) return d.cursor;
    return Search(d, text);
}

void act::ReplaceFirstFurther(const Action& a, DataContext& d) {
    const std::int32_t at = SearchForward(d, a.arg1);
    if (at < 0) return;
    d.cursor = at;
    d.ReplaceAtCursor(a.arg2, a.arg1.length());
}

// Exactly the result of REPLACE_FIRST repeated until nothing is found: each
// search starts just after the previous replacement, which holds the old
// bytes after the previous occurrence, so the occurrences are those of the
// original data from the cursor, left to right, without overlap. One scan
// counts them to size the result (keeping where the first few lie), a
// second builds it in the other working buffer. A result longer than
// kMaxRecordLength fails like an allocation (the export turns
// std::bad_alloc into a status) before anything changes.
void act::ReplaceAll(const Action& a, DataContext& d) {
    const ByteArg& arg1 = a.arg1;
    const ByteArg& arg2 = a.arg2;
    const std::int32_t first = SearchForward(d, arg1);
    if (first < 0) return;
    const ByteSpan all = d.SpanFrom(0);
    const std::int32_t m = arg1.length();
    const auto after = [&](std::int32_t at) {  // the next occurrence
        return all.FindFrom(m, arg1.data(), static_cast<std::uint32_t>(at + m), arg1.anchor);
    };
    constexpr std::int64_t kKept = 32;
    std::int32_t kept[kKept];
    std::int64_t count = 0;
    for (std::int32_t at = first; at >= 0; at = after(at)) {
        if (count < kKept) kept[count] = at;
        ++count;
    }
    const std::int64_t size = d.length + count * (arg2.length() - m);
    if (size > kMaxRecordLength) throw std::bad_alloc();

    std::int32_t cursor = 0;
    d.Rebuild(static_cast<std::size_t>(size), [&](std::uint8_t* out) {
        const auto put = [&](const std::uint8_t* from, std::int32_t n) {
            CopyBytes(out, from, static_cast<std::size_t>(n));
            out += n;
        };
        std::int32_t from = 0;
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int32_t at = i < kKept ? kept[i] : after(from - m);
            put(all.bytes + from, at - from);
            put(arg2.data(), arg2.length());
            cursor += at - from + arg2.length();
            from = at + m;
        }
        put(all.bytes + from, all.length - from);
    });
    d.cursor = cursor;
}

void act::MoveBefore(const Action& a, DataContext& d) {
    const std::int32_t at = SearchForward(d, a.arg1);
    if (at >= 0) d.cursor = at;
}

void act::MoveAfter(const Action& a, DataContext& d) {
    const std::int32_t at = SearchForward(d, a.arg1);
    if (at >= 0) d.cursor = at + a.arg1.length();
}

void act::Append(const Action& a, DataContext& d) { d.AppendText(a.arg1); }
void act::Prepend(const Action& a, DataContext& d) { d.PrependText(a.arg1); }
// Before the byte under the cursor; at 0 for a cursor of -1, at the end for a
// cursor at or past the end.
void act::Insert(const Action& a, DataContext& d) { d.InsertAtCursor(a.arg1); }

}  // namespace trelmix
