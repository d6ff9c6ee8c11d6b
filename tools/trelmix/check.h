// `trelmix check`: compiles a script as the library does and explains the
// library's decision (the failing line and why, and warnings).
#pragma once

#include <string>

#include "run.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

struct CheckOptions {
    HostId id{};
    std::string script;  // as given: a path or inline text
};

int CheckCommand(const CheckOptions& options, Streams io);

}  // namespace trelmix::cli
