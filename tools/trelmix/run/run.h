// `trelmix run` and `trelmix check`: what the command line hands over, and
// the two commands. Each returns the exit status.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "common/session.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

enum ExitStatus : int { kExitOk = 0, kExitRejected = 1, kExitUsage = 2 };

struct RunOptions {
    HostId id{};
    HostOptions host;
    bool jsonl = false;
    bool explain = false;              // each record's trace after its result
    bool text = false;                 // inline text even when it looks like a file name
    std::string script;                // as given: a path or inline text
    std::vector<std::string> records;  // RECORD arguments, with their escapes
    std::string scans;                 // --scans FILE, or empty
    EngineFactory engine;              // empty: the library linked in (Session)
};

// One record to run, with the code type and protocol it is passed with.
struct RunRecord {
    std::vector<std::uint8_t> bytes;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
};

// Records come from the command line (arguments or --scans), not standard input.
inline bool RecordsGiven(const RunOptions& o) { return !o.records.empty() || !o.scans.empty(); }

struct Streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

// What a run does before its engine opens: a SCRIPT that names a missing
// file is refused, the records of --scans (which may set options) are read or
// the RECORD arguments decoded, and the script's warnings go to err. False
// (and the reason on err) for a usage error.
bool PrepareRun(RunOptions& options, std::vector<RunRecord>& records, std::ostream& err);

// Reads the records of --scans (which may set options) or decodes the RECORD
// arguments, then runs. Standard input is read only when neither gave records.
int RunCommand(RunOptions options, Streams io);

// The engine the run's options name, for their id and host options.
std::unique_ptr<Engine> OpenEngine(const RunOptions& options);

// One record's result as `run` tells a person: the record line, what was
// typed, pressed or slept, and with a trace (--explain) why; an empty trace
// with the engine's reason why none can be told.
struct TraceStep;
void PrintResult(const std::vector<std::uint8_t>& input, const RecordResult& result,
                 const std::vector<TraceStep>* trace, std::ostream& out, const std::string& untraced = {});

// The RECORD arguments decoded; false (and a message on err) for a bad escape.
bool DecodeRecordArguments(const RunOptions& options, std::vector<RunRecord>& records, std::ostream& err);

}  // namespace trelmix::cli
