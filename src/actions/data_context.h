// The working record of one run, and the byte view the searches use.
#pragma once

#include <cstdint>
#include <vector>

#include "script/byte_arg.h"

namespace trelmix {

// The longest working record: an edit that would pass it fails like an
// allocation (std::bad_alloc), so a script that keeps doubling a record is
// stopped at a bounded size instead of exhausting the host's memory.
inline constexpr std::int32_t kMaxRecordLength = 64 * 1024 * 1024;

// How far past the record the rule runner's working buffer is sized, so that
// edits that lengthen a short record work in place.
inline constexpr std::size_t kEditSlack = 256;

// A non-owning view of bytes. ComparePrefix never reads past the span.
struct ByteSpan {
    std::int32_t length = 0;
    const std::uint8_t* bytes = nullptr;

    // 0 when the span starts with the pattern. An empty span gives -1, an
    // empty pattern 1 (it never matches), a span shorter than the pattern -1;
    // otherwise the sign of the first differing byte.
    std::int32_t ComparePrefix(std::int32_t patternLength, const std::uint8_t* pattern) const;

    // The first offset >= start at which the span's remaining bytes begin with
    // the pattern, or -1. An occurrence always lies wholly inside the span.
    std::int32_t FindFrom(std::int32_t patternLength, const std::uint8_t* pattern,
                          std::uint32_t start) const;
};

// A private copy of the host's record with a cursor. `data` always exists and
// holds at least `length` bytes. The cursor normally lies in 0..length; it is
// -1 on empty data after SKIP_END or a PAD_* of 0, and may lie past `length`
// after CRUNCH_SPACES shortened the data. Every operation tolerates both.
//
// An edit whose result fits in the buffer's capacity works in place and
// allocates nothing. One that does not builds the new record in a second
// buffer and only then swaps it in, so an allocation failure (which it lets
// through as std::bad_alloc) leaves the context as it was. Without a `spare`
// that buffer is a fresh one of exactly the new length; with one (the rule
// runner keeps two buffers between runs) the buffers take turns, and the
// spare grows with room to spare. An edit whose
// result would be longer than kMaxRecordLength throws std::bad_alloc the same
// way, before anything changes; the exports turn it into
// TRLM_STATUS_OUT_OF_MEMORY.
struct DataContext {
    std::vector<std::uint8_t> data;
    std::int32_t cursor = 0;
    std::int32_t length = 0;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
    std::int32_t* rulesetEnabled = nullptr;  // the Script's switches, not a copy
    std::vector<std::uint8_t>* spare = nullptr;  // where edits build, or null: a fresh buffer each

    // The bytes from `position` to the end, or the empty span when the data is
    // empty or the position lies outside 0..length.
    ByteSpan SpanFrom(std::int32_t position) const {
        if (length == 0 || position < 0 || position > length) return {};
        return {length - position, data.data() + position};
    }

    // Removes `remove` bytes at the cursor (at 0 when the cursor is negative)
    // and puts `text` there; the cursor ends just after the text. Nothing
    // happens when `remove` exceeds the length. A cursor past the end (after
    // CRUNCH_SPACES) inserts at the end: nothing outside the data is read.
    void ReplaceAtCursor(const ByteArg& text, std::int32_t remove);

    // Adds text after the last byte; the cursor ends at the new length.
    void AppendText(const ByteArg& text);

    // Puts text before the first byte; the cursor ends at the text's length
    // when that is less than the old length, else at 0.
    void PrependText(const ByteArg& text);

    // Adds `count` fill bytes; nothing happens when count exceeds the length.
    // The cursor ends on the new last byte. A negative count (a PAD_ number of
    // 2^31 or more) changes nothing, the cursor included.
    void PadEnd(std::int32_t count, std::uint8_t fill);

    // For edits: an empty buffer with room for `size` bytes (the spare, or
    // `fresh` when there is none), allocated before anything changes; sizes
    // above kMaxRecordLength throw std::bad_alloc. Fill it, then Commit it:
    // it becomes `data` and the old bytes go to the spare (or to `fresh`).
    std::vector<std::uint8_t>& EditBuffer(std::size_t size, std::vector<std::uint8_t>& fresh);
    void Commit(std::vector<std::uint8_t>& filled);

    // For edits in place: the bytes, with `data` grown to at least `size`
    // bytes, when its capacity already holds them; else null (nothing changed).
    std::uint8_t* Room(std::size_t size);
};

}  // namespace trelmix
