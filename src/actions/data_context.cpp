#include "actions/data_context.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace trelmix {

namespace {

// Within one buffer, where the ranges may overlap. memmove is never given a
// null pointer (an empty record may have none).
void Move(std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
    if (n) std::memmove(to, from, n);
}

}  // namespace

std::size_t GrownSize(std::size_t length, std::size_t extra) {
    const std::size_t size = length + extra;
    if (size > static_cast<std::size_t>(kMaxRecordLength)) throw std::bad_alloc();
    return size;
}

void ByteBuffer::Grow(std::size_t size) {
    // Growing by half again bounds the number of growths within one run that
    // keeps lengthening its record.
    const std::size_t grown = std::max({size, capacity_ + capacity_ / 2, std::size_t{64}});
#if defined(__cpp_lib_smart_ptr_for_overwrite)
    bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(grown);
#else  // emscripten's C++ library has none yet: zeroed, once per growth
    bytes_ = std::make_unique<std::uint8_t[]>(grown);
#endif
    capacity_ = grown;
}

// A buffer larger than kKeptCapacity was grown by an exceptional record.
void WorkBuffers::TrimLarge(std::uint32_t length) {
    if (front.capacity() > kKeptCapacity && front.capacity() / 4 > length) front = {};
    if (back.capacity() > kKeptCapacity && back.capacity() / 4 > length) back = {};
}

std::uint8_t* DataContext::Writable() {
    if (!edited) {
        work->front.Reserve(static_cast<std::size_t>(length));
        CopyBytes(work->front.data(), bytes, static_cast<std::size_t>(length));
        Became(static_cast<std::size_t>(length));
    }
    return work->front.data();
}

template <typename Fill>
void DataContext::Splice(std::int32_t at, std::int32_t removed, std::size_t added, Fill&& fill) {
    const std::size_t size = GrownSize(static_cast<std::size_t>(length - removed), added);
    const auto head = static_cast<std::size_t>(at);
    const auto tail = static_cast<std::size_t>(length - at - removed);
    // Nothing to do (an empty INSERT). Bytes cut from either end of the
    // host's record never come here: ReplaceAtCursor narrows the view.
    if (added == 0 && removed == 0) return;
    if (edited && size <= work->front.capacity()) {
        std::uint8_t* d = work->front.data();
        Move(d + head + added, d + head + removed, tail);
        fill(d + head);
        Became(size);
        return;
    }
    const std::uint8_t* from = bytes;
    Rebuild(size, [&](std::uint8_t* out) {
        CopyBytes(out, from, head);
        fill(out + head);
        CopyBytes(out + head + added, from + head + removed, tail);
    });
}

void DataContext::Replace(const ByteArg& text, std::int32_t remove) {
    if (remove > length || remove < 0) return;
    // A cursor past the end (CRUNCH_SPACES shortened the data under it)
    // inserts at the end; a negative cursor inserts at the start.
    const std::int32_t at = std::clamp(cursor, 0, length);
    const std::int32_t removed = std::min(length, at + remove) - at;
    Splice(at, removed, text.bytes.size(), [&](std::uint8_t* out) { CopyBytes(out, text.data(), text.bytes.size()); });
    cursor = at + text.length();
}

void DataContext::AppendText(const ByteArg& text) {
    Splice(length, 0, text.bytes.size(), [&](std::uint8_t* out) { CopyBytes(out, text.data(), text.bytes.size()); });
    cursor = length;
}

void DataContext::PrependText(const ByteArg& text) {
    const std::int32_t oldLength = length;
    Splice(0, 0, text.bytes.size(), [&](std::uint8_t* out) { CopyBytes(out, text.data(), text.bytes.size()); });
    cursor = text.length() < oldLength ? text.length() : 0;
}

void DataContext::PadEnd(std::int32_t count, std::uint8_t fill) {
    if (PadsNothing(count)) return;
    const auto n = static_cast<std::size_t>(count);
    Splice(length, 0, n, [&](std::uint8_t* out) { FillBytes(out, fill, n); });
    cursor = length - 1;
}

}  // namespace trelmix
