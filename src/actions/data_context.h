// The working record of one run, and the buffers a script keeps for it
// between runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "actions/byte_arg.h"
#include "actions/byte_span.h"

namespace trelmix {

// Ruleset switches: entry n is ruleset n (1..31), 1 = on. Entry 0 unused.
inline constexpr int kRulesetCount = 32;
using RulesetSwitches = std::array<std::int32_t, kRulesetCount>;

// The longest working record: an edit that would pass it fails like an
// allocation (std::bad_alloc), so a script that keeps doubling a record is
// stopped at a bounded size instead of exhausting the host's memory.
inline constexpr std::int32_t kMaxRecordLength = 64 * 1024 * 1024;

// Bytes whose contents are not kept when the buffer grows: every user
// rebuilds what it needs.
class ByteBuffer {
public:
    std::uint8_t* data() const { return bytes_.get(); }
    std::size_t capacity() const { return capacity_; }
    // Room for `size` bytes, growing geometrically. May throw std::bad_alloc,
    // leaving the buffer as it was. Inline for the usual case, room already.
    void Reserve(std::size_t size) {
        if (size > capacity_) Grow(size);
    }

private:
    void Grow(std::size_t size);

    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t capacity_ = 0;
};

// The two buffers a script's runs edit in. A RunState keeps them between runs
// (calls never overlap), so that once a record of similar length has been
// run, a run allocates nothing.
struct WorkBuffers {
    ByteBuffer front;  // the record, once edited
    ByteBuffer back;   // where an edit that cannot work in place builds its result

    // Before a run on a record of `length`: lets go of buffers that one
    // exceptional record grew far beyond what this record needs.
    void Trim(std::uint32_t length) {
        if (front.capacity() > kKeptCapacity || back.capacity() > kKeptCapacity) TrimLarge(length);
    }

    // Buffers are kept between runs up to this size.
    static constexpr std::size_t kKeptCapacity = 1 << 20;

private:
    void TrimLarge(std::uint32_t length);
};

// The record of one run with a cursor. Until the first edit `bytes` are the
// host's own (copy-on-write: criteria and searches read them where they lie,
// and bytes cut from either end only narrow the view); the first edit that
// writes builds the record in the script's front buffer, and later edits work
// there in place when it has room. The cursor normally lies in
// 0..length; it is -1 on empty data after SKIP_END or a PAD_* of 0, and may
// lie past `length` after CRUNCH_SPACES shortened the data. Every operation
// tolerates both.
//
// An edit that needs a larger buffer reserves it before anything changes, so
// an allocation failure (let through as std::bad_alloc) leaves the record as
// it was; so does an edit whose result would be longer than
// kMaxRecordLength. The exports turn either into TRLM_STATUS_OUT_OF_MEMORY.
struct DataContext {
    const std::uint8_t* bytes = nullptr;  // `length` bytes: within the host's, or work->front once edited
    std::int32_t cursor = 0;
    std::int32_t length = 0;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
    RulesetSwitches* rulesetEnabled = nullptr;  // the RunState's switches, not a copy
    WorkBuffers* work = nullptr;                // the RunState's buffers
    bool edited = false;                        // `bytes` lie in work->front
    std::uint8_t* host = nullptr;               // the caller's buffer, which holds the record until the first edit
    std::size_t hostRoom = 0;                   // and how many bytes it holds

    // The host's record, not yet edited.
    void Start(const std::uint8_t* record, std::int32_t recordLength, WorkBuffers& buffers) {
        bytes = record;
        length = recordLength;
        cursor = 0;
        work = &buffers;
        edited = false;
    }

    // The bytes from `position` to the end, or the empty span when the data is
    // empty or the position lies outside 0..length.
    ByteSpan SpanFrom(std::int32_t position) const {
        if (length == 0 || position < 0 || position > length) return {};
        return {length - position, bytes + position};
    }

    // The record's bytes to change in place (copied into the front buffer on
    // the first edit).
    std::uint8_t* Writable();

    // Makes the record `size` bytes long, all of them written by
    // `build(out)` from the current bytes (which stay readable meanwhile).
    template <typename Build>
    void Rebuild(std::size_t size, Build&& build);

    // Rebuild for an edit that knows only a bound on its result: `build(out)`
    // writes at most `capacity` bytes and returns how many it wrote.
    template <typename Build>
    void RebuildUpTo(std::size_t capacity, Build&& build);

    // Removes `remove` bytes at the cursor (at 0 when the cursor is negative)
    // and puts `text` there; the cursor ends just after the text. Nothing
    // happens when `remove` exceeds the length. A cursor past the end (after
    // CRUNCH_SPACES) inserts at the end: nothing outside the data is read.
    void ReplaceAtCursor(const ByteArg& text, std::int32_t remove) {
        // Bytes cut from either end of the host's record (a prefix or suffix
        // stripped): the view narrows, inline.
        if (!edited && text.bytes.empty() && cursor >= 0 && remove >= 0 && cursor <= length - remove &&
            (cursor == 0 || cursor + remove == length)) {
            if (cursor == 0) bytes += remove;
            length -= remove;
            return;
        }
        Replace(text, remove);
    }

    // ReplaceAtCursor(text, 0). Inline for the usual case, a few bytes into a
    // record already in the front buffer with room for them: the tail moves
    // up and the text goes in.
    void InsertAtCursor(const ByteArg& text) {
        const std::size_t added = text.bytes.size();
        const std::size_t size = static_cast<std::size_t>(length) + added;
        if (!edited || size > work->front.capacity() || added > 16 || size > kMaxRecordLength) {
            Replace(text, 0);
            return;
        }
        const std::int32_t at = cursor < 0 ? 0 : cursor > length ? length : cursor;
        std::uint8_t* d = work->front.data() + at;
        if (at < length) std::memmove(d + added, d, static_cast<std::size_t>(length - at));
        for (std::size_t i = 0; i < added; ++i) d[i] = text.bytes[i];
        length = static_cast<std::int32_t>(size);
        cursor = at + static_cast<std::int32_t>(added);
    }

    // AppendText and PadEnd as a run's last edit, made where the caller's
    // record lies (GrowInHost); false, with nothing done, when they cannot
    // be, and then they are made the usual way.
    bool AppendInHost(const ByteArg& text) {
        std::uint8_t* const at = GrowInHost(text.bytes.size());
        if (!at) return false;
        CopyBytes(at, text.data(), text.bytes.size());
        cursor = length;
        return true;
    }
    bool PadInHost(std::int32_t count, std::uint8_t fill) {
        if (PadsNothing(count)) return true;
        std::uint8_t* const at = GrowInHost(static_cast<std::size_t>(count));
        if (!at) return false;
        FillBytes(at, fill, static_cast<std::size_t>(count));
        cursor = length - 1;
        return true;
    }

    // Adds text after the last byte; the cursor ends at the new length.
    void AppendText(const ByteArg& text);

    // Puts text before the first byte; the cursor ends at the text's length
    // when that is less than the old length, else at 0.
    void PrependText(const ByteArg& text);

    // Adds `count` fill bytes; nothing happens when count exceeds the length.
    // The cursor ends on the new last byte. A negative count (a PAD_ number of
    // 2^31 or more) changes nothing, the cursor included.
    void PadEnd(std::int32_t count, std::uint8_t fill);

private:
    void Replace(const ByteArg& text, std::int32_t remove);  // ReplaceAtCursor, the general case
    // Replaces `removed` bytes at `at` with `added` bytes that `fill(out)`
    // writes: in place when the front buffer has room, else rebuilt.
    template <typename Fill>
    void Splice(std::int32_t at, std::int32_t removed, std::size_t added, Fill&& fill);
    // For a run's last edit, when it only adds `added` bytes after the
    // record (APPEND, PAD_*): the record as the caller gave it, moved to the
    // start of the caller's buffer when bytes were cut from its front, and
    // lengthened there. Returns where the added bytes go, or null, with
    // nothing done, when the record was edited or the result does not fit
    // in the caller's buffer; then the edit is made the usual way.
    std::uint8_t* GrowInHost(std::size_t added) {
        const auto kept = static_cast<std::size_t>(length);
        if (edited || !host || kept + added > hostRoom || kept + added > kMaxRecordLength) return nullptr;
        if (bytes != host) CopyBytes(host, bytes, kept);
        bytes = host;
        length = static_cast<std::int32_t>(kept + added);
        return host + kept;
    }

    // PadEnd's count beyond the length, or negative (a PAD_ number of 2^31
    // or more), pads nothing.
    bool PadsNothing(std::int32_t count) const { return count > length || count < 0; }

    // The record is now `size` bytes of the front buffer.
    void Became(std::size_t size) {
        edited = true;
        bytes = work->front.data();
        length = static_cast<std::int32_t>(size);
    }
};

// The size of a record of `length` bytes grown by `extra`; past
// kMaxRecordLength it throws std::bad_alloc, before anything is touched.
std::size_t GrownSize(std::size_t length, std::size_t extra);

template <typename Build>
void DataContext::RebuildUpTo(std::size_t capacity, Build&& build) {
    ByteBuffer& target = edited ? work->back : work->front;  // never the bytes being read
    target.Reserve(capacity);
    const std::size_t size = build(target.data());
    if (edited) std::swap(work->front, work->back);
    Became(size);
}

template <typename Build>
void DataContext::Rebuild(std::size_t size, Build&& build) {
    ByteBuffer& target = edited ? work->back : work->front;  // never the bytes being read
    target.Reserve(size);
    build(target.data());
    if (edited) std::swap(work->front, work->back);
    Became(size);
}

}  // namespace trelmix
