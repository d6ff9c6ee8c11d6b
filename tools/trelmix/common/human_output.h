// The output of `trelmix run` for a person: a line per record, then an
// indented line per thing typed, pressed or slept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/session.h"
#include "platform/simulated/simulated_host.h"

namespace trelmix::cli {

// "1 byte", "2 bytes".
std::string Plural(std::uint64_t n, std::string_view one, std::string_view many);

// The record given, then what came back: "00123" -> status 1, length 3: "123"
std::string FormatRecordLine(const std::vector<std::uint8_t>& input, const RecordResult& result);

// typed "AB" | tapped Enter | pressed Alt+F | slept 2000 ms; consecutive typed
// units of one typing context go on one line.
std::vector<std::string> DescribeOutput(const std::vector<platform::Output>& output);

}  // namespace trelmix::cli
