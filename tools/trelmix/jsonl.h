// `trelmix run --jsonl`: the stable machine interface. One JSON object per
// input line in, one per input line out (after the assign result of SCRIPT),
// fields in a fixed order, hex in upper case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run.h"
#include "session.h"

namespace trelmix::cli {

// {"assigned": true, "events": ["..."]}
std::string AssignmentLine(const Assignment& assignment);

// One entry of a result's "output": {"inject": ...}, {"type": ...} or {"sleep": ...}.
std::string OutputEntry(const platform::Output& output);

// {"status": 1, "length": 5, "hex": "4142434445", "output": [...]}
std::string ResultLine(const RecordResult& result);

// One input line, parsed and checked.
struct JsonRequest {
    enum class Kind { Record, Assign };
    Kind kind = Kind::Record;
    std::vector<std::uint8_t> record;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
    bool explain = false;  // the answer carries the run's "trace"
    std::u16string script;
};

// Nothing (and the reason in `error`) for a line that is not one of the two
// request objects; code_type and protocol default to the given values.
std::optional<JsonRequest> ParseRequest(const std::string& line, std::uint32_t codeType, std::uint32_t protocol,
                                        std::string& error);

// Records given as arguments or with --scans are run instead of reading
// standard input.
int RunJsonl(const RunOptions& options, const std::vector<RunRecord>& records, Streams io);

}  // namespace trelmix::cli
