// The output of `trelmix run` for a person: a line per record, then an
// indented line per thing typed, pressed or slept.
#pragma once

#include <string>
#include <vector>

#include "platform/testing/recording.h"
#include "session.h"

namespace trelmix::cli {

// status 1, length 5: "ABCDE"
std::string FormatRecordLine(const RecordResult& result);

// typed "AB" | tapped Enter | pressed Alt+F | slept 2000 ms; consecutive typed
// units of one typing context go on one line.
std::vector<std::string> DescribeOutput(const std::vector<platform::Output>& output);

}  // namespace trelmix::cli
