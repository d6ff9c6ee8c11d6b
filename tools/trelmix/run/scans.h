// `run --scans FILE`: records kept in a file beside a script, as the
// examples keep their sample scans.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "run/run.h"

namespace trelmix::cli {

// Reads a scans file into records. A line is one record written as a RECORD
// argument (\xHH a byte, \\ a backslash); its line end (LF or CR LF) is not
// part of it. Blank lines and lines starting with '#' are skipped. A line
// starting with "--" is an option: --code-type N and --protocol N hold for the
// records after it; --keyboard and the other host options hold for the whole
// run, as if given on the command line, and must stand before the first
// record. False, with FILE:LINE: and the reason on err, for anything else.
bool ReadScans(const std::string& path, RunOptions& options, std::vector<RunRecord>& records, std::ostream& err);

}  // namespace trelmix::cli
