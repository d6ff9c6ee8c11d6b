// `trelmix check`: compiles scripts as the library does and explains the
// library's decision (the failing line and why, and warnings).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "check/diagnostic_codes.h"
#include "run/run.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

struct CheckOptions {
    HostId id{};
    std::vector<std::string> scripts;  // as given: paths or inline text
    bool werror = false;               // a warning fails the script (a note does not)
    bool jsonl = false;                // one JSON object per diagnostic, for editors
    bool text = false;                 // inline text even when it looks like a file name
    bool idGiven = false;              // else a script's "# trelmix: keyboard" line makes it the keyboard's
    DiagnosticFilter filter;           // the warnings and notes switched off
    bool fix = false;                  // apply the fixes to the script files
};

// Checks the scripts in turn; the exit status is the worst of theirs.
int CheckCommand(const CheckOptions& options, Streams io);

// What `run` says on standard error before its first record: the script's
// warnings as `check` words them, and a note when an application script
// holds send keywords it ignores.
void PrintRunWarnings(const std::string& script, const HostId& id, std::ostream& err);

}  // namespace trelmix::cli
