// Key strokes as a person reads them: "tapped Enter", "pressed Alt+F".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace trelmix::cli {

// The name of a virtual key ("Enter", "F", "F12", "Num 7"), or "VK n".
std::string VirtualKeyName(std::uint32_t virtualKey);

// One injection (records of virtual key, scan code, flags) described:
// key-down/key-up pairs are "tapped K", all keys down then all up in reverse
// order are "pressed A+B", anything else lists its records.
std::string DescribeInjection(const std::vector<std::array<std::uint32_t, 3>>& records);

}  // namespace trelmix::cli
