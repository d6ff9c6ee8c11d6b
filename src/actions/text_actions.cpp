// Replace, move and insert: what the actions that take text do when their
// rule runs.
#include <new>
#include <vector>

#include "actions/action.h"
#include "actions/data_context.h"

namespace trelmix {

// The first occurrence of `text` at or after the cursor lying wholly inside
// the data, or -1 (also for an empty text or a cursor outside the data).
static std::int32_t SearchForward(const DataContext& d, const ByteArg& text) {
    if (d.cursor < 0 || d.cursor >= d.length) return -1;
    return d.SpanFrom(0).FindFrom(text.length(), text.data(), static_cast<std::uint32_t>(d.cursor));
}

void CAction::ReplaceFirst::Execute(DataContext& d) const {
    const std::int32_t at = SearchForward(d, arg1);
    if (at < 0) return;
    d.cursor = at;
    d.ReplaceAtCursor(arg2, arg1.length());
}

// Exactly the result of REPLACE_FIRST repeated until nothing is found: each
// search starts just after the previous replacement, which holds the old
// bytes after the previous occurrence, so the occurrences are those of the
// original data from the cursor, left to right, without overlap. One scan
// counts them to size the result, a second fills one buffer of that exact
// length. A result longer than kMaxRecordLength fails like an allocation
// (the export turns std::bad_alloc into a status) before anything changes.
void CAction::ReplaceAll::Execute(DataContext& d) const {
    const std::int32_t first = SearchForward(d, arg1);
    if (first < 0) return;
    const ByteSpan all = d.SpanFrom(0);
    const auto after = [&](std::int32_t at) {
        return all.FindFrom(arg1.length(), arg1.data(), static_cast<std::uint32_t>(at + arg1.length()));
    };
    std::int64_t count = 0;
    for (std::int32_t at = first; at >= 0; at = after(at)) ++count;
    const std::int64_t size = d.length + count * (arg2.length() - arg1.length());
    if (size > kMaxRecordLength) throw std::bad_alloc();

    std::vector<std::uint8_t> next;
    next.reserve(static_cast<std::size_t>(size));
    std::int32_t from = 0;
    for (std::int32_t at = first; at >= 0; at = after(at)) {
        next.insert(next.end(), d.data.begin() + from, d.data.begin() + at);
        next.insert(next.end(), arg2.bytes.begin(), arg2.bytes.end());
        from = at + arg1.length();
    }
    const auto cursor = static_cast<std::int32_t>(next.size());
    next.insert(next.end(), d.data.begin() + from, d.data.begin() + d.length);
    d.data = std::move(next);
    d.length = static_cast<std::int32_t>(size);
    d.cursor = cursor;
}

void CAction::MoveBefore::Execute(DataContext& d) const {
    const std::int32_t at = SearchForward(d, arg1);
    if (at >= 0) d.cursor = at;
}

void CAction::MoveAfter::Execute(DataContext& d) const {
    const std::int32_t at = SearchForward(d, arg1);
    if (at >= 0) d.cursor = at + arg1.length();
}

void CAction::Append::Execute(DataContext& d) const { d.AppendText(arg1); }
void CAction::Prepend::Execute(DataContext& d) const { d.PrependText(arg1); }
// Before the byte under the cursor; at 0 for a cursor of -1, at the end for a
// cursor at or past the end.
void CAction::Insert::Execute(DataContext& d) const { d.ReplaceAtCursor(arg1, 0); }

}  // namespace trelmix
