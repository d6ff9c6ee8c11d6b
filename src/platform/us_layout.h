// The US English keyboard layout, as Windows reports it: the answers of
// VkKeyScanW and MapVirtualKeyW(vk, 0) for the POSIX backend and the
// simulated host, so that every operating system types alike.
#pragma once

#include <cstdint>

namespace trelmix::platform {

// Low byte: virtual key; high byte: shift state (1 Shift); -1 when no key of
// the layout types the character.
std::int16_t UsVkKeyScan(char16_t character);

// Scan code (set 1) of a virtual key; 0 when the layout has no such key.
std::uint32_t UsScanCode(std::uint32_t virtualKey);

}  // namespace trelmix::platform
