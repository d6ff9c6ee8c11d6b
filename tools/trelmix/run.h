// `trelmix run` and `trelmix check`: what the command line hands over, and
// the two commands. Each returns the exit status.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "session.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

enum ExitStatus : int { kExitOk = 0, kExitRejected = 1, kExitUsage = 2 };

struct RunOptions {
    HostId id{};
    HostOptions host;
    bool jsonl = false;
    bool text = false;                 // inline text even when it looks like a file name
    std::string script;                // as given: a path or inline text
    std::vector<std::string> records;  // RECORD arguments, with their escapes
};

struct Streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

int RunCommand(const RunOptions& options, Streams io);

// The RECORD arguments decoded; false (and a message on err) for a bad escape.
bool DecodeRecordArguments(const std::vector<std::string>& arguments, std::vector<std::vector<std::uint8_t>>& records,
                           std::ostream& err);

}  // namespace trelmix::cli
