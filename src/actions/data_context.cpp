#include "actions/data_context.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace trelmix {

namespace {

// An edit that would pass the record limit fails like an allocation, before
// anything is touched.
std::size_t GrownSize(std::int32_t length, std::size_t extra) {
    const std::size_t size = static_cast<std::size_t>(length) + extra;
    if (size > static_cast<std::size_t>(kMaxRecordLength)) throw std::bad_alloc();
    return size;
}

}  // namespace

std::int32_t ByteSpan::ComparePrefix(std::int32_t patternLength, const std::uint8_t* pattern) const {
    if (length <= 0 || !bytes) return -1;
    if (patternLength <= 0 || !pattern) return 1;
    if (length < patternLength) return -1;
    for (std::int32_t i = 0; i < patternLength; ++i) {
        if (bytes[i] != pattern[i]) return bytes[i] > pattern[i] ? 1 : -1;
    }
    return 0;
}

std::int32_t ByteSpan::FindFrom(std::int32_t patternLength, const std::uint8_t* pattern,
                                std::uint32_t start) const {
    if (length <= 0 || !bytes || patternLength <= 0 || !pattern) return -1;
    if (start >= static_cast<std::uint32_t>(length)) return -1;
    // Only offsets where the whole pattern fits can match.
    const std::int32_t last = length - patternLength;
    const std::uint8_t first = pattern[0];
    for (std::int32_t i = static_cast<std::int32_t>(start); i <= last; ++i) {
        const void* hit = std::memchr(bytes + i, first, static_cast<std::size_t>(last - i + 1));
        if (!hit) return -1;
        i = static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - bytes);
        if (std::memcmp(bytes + i, pattern, static_cast<std::size_t>(patternLength)) == 0) return i;
    }
    return -1;
}

ByteSpan DataContext::SpanFrom(std::int32_t position) const {
    if (length == 0 || position < 0 || position > length) return {};
    return {length - position, data.data() + position};
}

void DataContext::ReplaceAtCursor(const ByteArg& text, std::int32_t remove) {
    if (remove > length || remove < 0) return;
    // A cursor past the end (CRUNCH_SPACES shortened the data under it)
    // inserts at the end; a negative cursor inserts at the start.
    const std::int32_t at = std::clamp(cursor, 0, length);
    const std::int32_t tailFrom = std::min(length, at + remove);
    const std::int32_t removed = tailFrom - at;
    std::vector<std::uint8_t> next;
    next.reserve(GrownSize(length - removed, text.bytes.size()));
    next.insert(next.end(), data.begin(), data.begin() + at);
    next.insert(next.end(), text.bytes.begin(), text.bytes.end());
    next.insert(next.end(), data.begin() + tailFrom, data.begin() + length);
    data = std::move(next);
    length = static_cast<std::int32_t>(data.size());
    cursor = at + text.length();
}

void DataContext::AppendText(const ByteArg& text) {
    std::vector<std::uint8_t> next;
    next.reserve(GrownSize(length, text.bytes.size()));
    next.insert(next.end(), data.begin(), data.begin() + length);
    next.insert(next.end(), text.bytes.begin(), text.bytes.end());
    data = std::move(next);
    length = static_cast<std::int32_t>(data.size());
    cursor = length;
}

void DataContext::PrependText(const ByteArg& text) {
    std::vector<std::uint8_t> next;
    next.reserve(GrownSize(length, text.bytes.size()));
    next.insert(next.end(), text.bytes.begin(), text.bytes.end());
    next.insert(next.end(), data.begin(), data.begin() + length);
    const std::int32_t oldLength = length;
    data = std::move(next);
    length = static_cast<std::int32_t>(data.size());
    cursor = text.length() < oldLength ? text.length() : 0;
}

void DataContext::PadEnd(std::int32_t count, std::uint8_t fill) {
    if (count > length || count < 0) return;
    std::vector<std::uint8_t> next;
    next.reserve(GrownSize(length, static_cast<std::size_t>(count)));
    next.insert(next.end(), data.begin(), data.begin() + length);
    next.insert(next.end(), static_cast<std::size_t>(count), fill);
    data = std::move(next);
    length = static_cast<std::int32_t>(data.size());
    cursor = length - 1;
}

}  // namespace trelmix
