#include "actions/action.h"

#include "actions/data_context.h"

namespace trelmix {

namespace {

// Drops every `victim` byte from the cursor to the end, in place; the bytes
// before the cursor stay whatever they are, and the cursor does not move.
void RemoveFromCursor(DataContext& d, std::uint8_t victim) {
    if (d.cursor < 0 || d.cursor >= d.length) return;
    std::int32_t write = d.cursor;
    for (std::int32_t read = d.cursor; read < d.length; ++read) {
        if (d.data[read] != victim) d.data[write++] = d.data[read];
    }
    d.length = write;
}

// The cursor moves only to a byte of the data; it is never clamped.
void MoveCursorTo(DataContext& d, std::int64_t target) {
    if (target >= 0 && target < d.length) d.cursor = static_cast<std::int32_t>(target);
}

}  // namespace

// A count of 2^31 or more reads as negative and pads nothing (PadEnd).
void CAction::PadSpace::Execute(DataContext& d) const { d.PadEnd(count, 0x20); }
void CAction::PadZero::Execute(DataContext& d) const { d.PadEnd(count, 0x30); }

void CAction::RemoveSpaces::Execute(DataContext& d) const { RemoveFromCursor(d, 0x20); }
void CAction::RemoveZeros::Execute(DataContext& d) const { RemoveFromCursor(d, 0x30); }

// Every run of spaces in the whole data becomes one space. The cursor stays,
// even past the new end.
void CAction::CrunchSpaces::Execute(DataContext& d) const {
    std::int32_t write = 0;
    for (std::int32_t read = 0; read < d.length; ++read) {
        const std::uint8_t b = d.data[read];
        if (b == 0x20 && write > 0 && d.data[write - 1] == 0x20) continue;
        d.data[write++] = b;
    }
    d.length = write;
}

void CAction::SkipStart::Execute(DataContext& d) const { d.cursor = 0; }
void CAction::SkipEnd::Execute(DataContext& d) const { d.cursor = d.length - 1; }
void CAction::SkipAhead::Execute(DataContext& d) const { MoveCursorTo(d, std::int64_t{d.cursor} + count); }
void CAction::SkipBack::Execute(DataContext& d) const { MoveCursorTo(d, std::int64_t{d.cursor} - count); }

}  // namespace trelmix
