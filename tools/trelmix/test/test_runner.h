// `trelmix test`: runs test files (case_file.h) against the library linked in,
// or against any engine that speaks `run --jsonl` (--engine 'CMD ...': CMD
// is started as `CMD run --jsonl [host options] -- ''` and given each script
// as an {"assign": ...} line), prints a diff and the trace of every failing
// record, a summary and the rule coverage.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run/explain.h"
#include "run/run.h"
#include "test/case_file.h"

namespace trelmix::cli {

struct TestOptions {
    std::vector<std::string> files;
    bool update = false;                // rewrite the expectations from what came back
    std::optional<double> coverageMin;  // percent of the rules that must apply
    std::string engine;                 // an engine process's command; empty: the engine below
    bool trace = true;                  // false: no traces, no coverage (the host's path)
    EngineFactory linked;               // the program's engine (trelmix-x86: the DLL); empty: Session
    double caseTimeout = 10;            // seconds an engine process may take for one answer
};

int TestCommand(const TestOptions& options, Streams io);

// What a test file's steps ask of an engine. Each call answers, or says why
// it could not in `error`.
struct CaseOutcome {
    RecordResult result;
    Trace trace;  // empty when the engine told nothing
};

class CaseEngine {
public:
    virtual ~CaseEngine() = default;
    virtual bool Start(const SessionSpec& session, std::string& error) = 0;  // a new session
    virtual std::optional<bool> Assign(const std::string& script, std::string& error) = 0;
    virtual std::optional<CaseOutcome> Run(const CaseFileStep& step, std::string& error) = 0;
};

// With `trace`, each record's trace is asked for (the library linked in runs
// observed); without, records run exactly as in a host.
std::unique_ptr<CaseEngine> LinkedEngine(const EngineFactory& factory, bool trace);
// Each answer of the process must come within `timeout` seconds (and the
// process must end within them once its input is closed), else it is killed.
std::unique_ptr<CaseEngine> ProcessEngine(const std::string& command, bool trace, double timeout);

// The `run` options that set up this session's host, for an engine process.
std::vector<std::string> SessionArguments(const SessionSpec& session);

// A line diff of two short lists, expected and got: "  " both, "- " expected
// only, "+ " got only; as many lines as can be are kept in common.
std::vector<std::string> Diff(const std::vector<std::string>& a, const std::vector<std::string>& b);

}  // namespace trelmix::cli
