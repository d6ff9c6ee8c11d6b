// How the command reports a failure of its own (a bad option, a file it
// cannot read, a bad line of a .scans or .tests file): one line on the error
// stream, "trelmix: WHAT", or "trelmix: FILE:LINE: WHAT" for a line of a file
// it reads. Under trelmix-x86 the lines begin with that name. A script's
// diagnostics keep their compiler style (check/diagnose.h).
#pragma once

#include <ostream>
#include <string>

namespace trelmix::cli {

// The name the lines begin with; the command line sets it once.
inline std::string commandName = "trelmix";

template <class... Parts>
std::ostream& Complain(std::ostream& err, const Parts&... parts) {
    err << commandName << ": ";
    (err << ... << parts);
    return err << '\n';
}

}  // namespace trelmix::cli
