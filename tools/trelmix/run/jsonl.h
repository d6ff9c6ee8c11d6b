// `trelmix run --jsonl`: the stable machine interface. One JSON object per
// input line in, one per input line out (after the assign result of SCRIPT),
// fields in a fixed order, hex in upper case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/session.h"
#include "run/explain.h"
#include "run/run.h"

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

// One `run --jsonl` run, an answer line at a time: the command prints its
// lines, the playground's engine hands each to its caller.
class JsonlRun {
public:
    // Opens the engine and assigns SCRIPT.
    explicit JsonlRun(const RunOptions& options);

    // The first line: SCRIPT's assignment.
    const std::string& first() const { return first_; }

    // A record given as an argument or with --scans: its answer (with its
    // trace under --explain).
    std::string Given(const RunRecord& record);

    // One input line: its answer, {"error": ...} for a bad line (the run goes
    // on), nothing for a blank line.
    std::optional<std::string> Answer(const std::string& line);

    // The exit status so far: 2 after a bad input line, else 1 when SCRIPT
    // was not assigned.
    int status() const { return badLine_ ? kExitUsage : assigned_ ? kExitOk : kExitRejected; }

    // The latest record run: as passed, its result, and its trace when one was
    // asked for.
    struct Record {
        std::vector<std::uint8_t> input;
        RecordResult result;
        std::optional<Trace> trace;
    };
    const std::optional<Record>& last() const { return last_; }

private:
    std::string Run(const std::vector<std::uint8_t>& record, std::uint32_t codeType, std::uint32_t protocol,
                    bool explain);

    RunOptions options_;
    std::unique_ptr<Engine> engine_;
    Explainer explainer_;
    std::string first_;
    bool assigned_ = false;
    bool badLine_ = false;
    std::optional<Record> last_;
};

// Records given as arguments or with --scans are run instead of reading
// standard input.
int RunJsonl(const RunOptions& options, const std::vector<RunRecord>& records, Streams io);

}  // namespace trelmix::cli
