#include "actions/text_actions.h"

#include <cstring>
#include <new>
#include <vector>

namespace trelmix {

// ---- parsers: one or two quoted texts, hex escapes decoded -------------------

namespace {

template <typename Kind>
bool ParseTextAction(Script& s, TextSpan line, Diagnostic* diag, const char* keyword, bool twoTexts) {
    if (!RequireBlock(s, Block::Action, keyword, line, diag)) return false;
    ArgumentList args;
    const std::size_t count = twoTexts ? 2 : 1;
    if (!ReadArguments(line, keyword, count, count, twoTexts ? "two quoted strings" : "a quoted string",
                       args, diag)) {
        return false;
    }
    auto action = std::make_unique<Kind>();
    if (!QuotedArgument(args[0], keyword, 1, action->arg1, diag)) return false;
    if (twoTexts && !QuotedArgument(args[1], keyword, 2, action->arg2, diag)) return false;
    DecodeHexEscapes(action->arg1);
    if (twoTexts) DecodeHexEscapes(action->arg2);
    AppendAction(s, std::move(action));
    return true;
}

}  // namespace

bool ParseReplaceAll(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::ReplaceAll>(s, l, d, "REPLACE_ALL", true); }
bool ParseReplaceFirst(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::ReplaceFirst>(s, l, d, "REPLACE_FIRST", true); }
bool ParseMoveBefore(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::MoveBefore>(s, l, d, "MOVE_BEFORE", false); }
bool ParseMoveAfter(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::MoveAfter>(s, l, d, "MOVE_AFTER", false); }
bool ParseAppend(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::Append>(s, l, d, "APPEND", false); }
bool ParsePrepend(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::Prepend>(s, l, d, "PREPEND", false); }
bool ParseInsert(Script& s, TextSpan l, Diagnostic* d) { return ParseTextAction<CAction::Insert>(s, l, d, "INSERT", false); }

// ---- behaviour ----------------------------------------------------------------

std::int32_t SearchForward(const DataContext& d, const ByteArg& text) {
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
// original data from the cursor, left to right, without overlap. A
// replacement no longer than the search text is done in place in one pass
// (what is written never passes what is still to be searched). A longer one
// counts the occurrences to size the result, then fills one buffer of that
// length; a result longer than kMaxRecordLength fails like an allocation
// (the export turns std::bad_alloc into a status) before anything changes.
void CAction::ReplaceAll::Execute(DataContext& d) const {
    const std::int32_t first = SearchForward(d, arg1);
    if (first < 0) return;
    const ByteSpan all = d.SpanFrom(0);
    const auto after = [&](std::int32_t at) {
        return all.FindFrom(arg1.length(), arg1.data(), static_cast<std::uint32_t>(at + arg1.length()));
    };
    const auto replacement = arg2.bytes.size();

    if (arg2.length() <= arg1.length()) {
        std::uint8_t* b = d.data.data();
        std::int32_t write = first;
        std::int32_t from = first;
        for (std::int32_t at = first; at >= 0; at = after(at)) {
            std::memmove(b + write, b + from, static_cast<std::size_t>(at - from));
            write += at - from;
            if (replacement > 0) std::memcpy(b + write, arg2.bytes.data(), replacement);
            write += arg2.length();
            from = at + arg1.length();
        }
        const std::int32_t cursor = write;
        std::memmove(b + write, b + from, static_cast<std::size_t>(d.length - from));
        d.length = write + (d.length - from);
        d.cursor = cursor;
        return;
    }

    std::int64_t count = 0;
    for (std::int32_t at = first; at >= 0; at = after(at)) ++count;
    const std::int64_t size = d.length + count * (arg2.length() - arg1.length());
    if (size > kMaxRecordLength) throw std::bad_alloc();

    std::vector<std::uint8_t> fresh;
    auto& next = d.EditBuffer(static_cast<std::size_t>(size), fresh);
    std::int32_t from = 0;
    for (std::int32_t at = first; at >= 0; at = after(at)) {
        next.insert(next.end(), d.data.begin() + from, d.data.begin() + at);
        next.insert(next.end(), arg2.bytes.begin(), arg2.bytes.end());
        from = at + arg1.length();
    }
    const auto cursor = static_cast<std::int32_t>(next.size());
    next.insert(next.end(), d.data.begin() + from, d.data.begin() + d.length);
    d.Commit(next);
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
