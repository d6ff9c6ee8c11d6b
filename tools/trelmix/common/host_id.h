// Host ids and numbers as the command line writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trelmix/trelmix.h"

namespace trelmix::cli {

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, braces optional (both or neither),
// hex digits in either case. The first three groups are the little-endian
// fields of the GUID layout; the last two are its eight bytes in order.
std::optional<HostId> ParseHostId(std::string_view text);

// The id the command assigns under when neither --keyboard nor --id is given:
// an application id, {00000000-0000-0000-0000-000000000000}.
inline constexpr HostId kDefaultApplicationId{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

std::string FormatHostId(const HostId& id);

// Decimal digits only, at most 4294967295.
std::optional<std::uint32_t> ParseDecimal32(std::string_view text);

}  // namespace trelmix::cli
