#include "actions/action.h"

#include "actions/data_context.h"

namespace trelmix {

namespace {

// Drops every `victim` byte from the cursor to the end, in place; the bytes
// before the cursor stay whatever they are, and the cursor does not move.
void RemoveFromCursor(DataContext& d, std::uint8_t victim) {
    if (d.cursor < 0 || d.cursor >= d.length) return;
    std::uint8_t* data = d.Writable();
    std::int32_t write = d.cursor;
    for (std::int32_t read = d.cursor; read < d.length; ++read) {
        if (data[read] != victim) data[write++] = data[read];
    }
    d.length = write;
}

}  // namespace

// A count of 2^31 or more reads as negative and pads nothing (PadEnd).
void act::PadSpace(const Action& a, DataContext& d) { d.PadEnd(a.count, 0x20); }
void act::PadZero(const Action& a, DataContext& d) { d.PadEnd(a.count, 0x30); }

void act::RemoveSpaces(const Action&, DataContext& d) { RemoveFromCursor(d, 0x20); }
void act::RemoveZeros(const Action&, DataContext& d) { RemoveFromCursor(d, 0x30); }

// Every run of spaces in the whole data becomes one space. The cursor stays,
// even past the new end.
void act::CrunchSpaces(const Action&, DataContext& d) {
    if (d.length == 0) return;
    std::uint8_t* data = d.Writable();
    std::int32_t write = 0;
    for (std::int32_t read = 0; read < d.length; ++read) {
        const std::uint8_t b = data[read];
        if (b == 0x20 && write > 0 && data[write - 1] == 0x20) continue;
        data[write++] = b;
    }
    d.length = write;
}

}  // namespace trelmix
