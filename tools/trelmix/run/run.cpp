#include "run/run.h"

#include <iostream>

#include "check/check.h"
#include "check/diagnose.h"
#include "common/errors.h"
#include "common/human_output.h"
#include "common/record_escapes.h"
#include "common/text_encoding.h"
#include "run/explain.h"
#include "run/jsonl.h"
#include "run/scans.h"
#include "script/compiler.h"

namespace trelmix::cli {

namespace {

// Why the command line's script was not assigned, for a person.
void ExplainRejection(const RunOptions& o, const std::u16string& script, std::ostream& err) {
    const Diagnosis d = Diagnose(script, o.script, IsKeyboardClient(o.id));
    const std::string problem = SourceProblem(d.source);
    if (!problem.empty()) {
        err << problem << '\n';
    } else {
        for (const Finding& f : d.findings) {
            if (f.error()) err << FormatFinding(d.source, f);
        }
    }
    Complain(err, "the script was not assigned; every record gets status -1");
}

int RunHuman(const RunOptions& o, const std::vector<RunRecord>& records, Streams io) {
    const std::unique_ptr<Engine> engine = OpenEngine(o);
    Engine& session = *engine;
    const std::u16string script = FromCommandLine(o.script);
    const Assignment a = session.Assign(script);
    if (!a.assigned) ExplainRejection(o, script, io.err);
    Explainer explainer;
    explainer.Assigned(script);
    const auto run = [&](const std::vector<std::uint8_t>& record, std::uint32_t codeType, std::uint32_t protocol) {
        const auto execute = [&] { return session.Execute(record, codeType, protocol); };
        if (!o.explain) return PrintResult(record, execute(), nullptr, io.out);
        Trace trace;
        const RecordResult result = explainer.Run(execute, trace);
        PrintResult(record, result, &trace, io.out, session.Untraced());
    };

    if (RecordsGiven(o)) {
        for (const RunRecord& r : records) run(r.bytes, r.codeType, r.protocol);
    } else {
        std::string line;
        while (std::getline(io.in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();  // a CR LF line end
            run(std::vector<std::uint8_t>(line.begin(), line.end()), o.host.codeType, o.host.protocol);
        }
    }
    return a.assigned ? kExitOk : kExitRejected;
}

}  // namespace

void PrintResult(const std::vector<std::uint8_t>& input, const RecordResult& result, const Trace* trace,
                 std::ostream& out, const std::string& untraced) {
    out << FormatRecordLine(input, result) << '\n';
    for (const std::string& line : DescribeOutput(result.output)) out << "  " << line << '\n';
    if (trace) {
        if (trace->empty()) {
            out << "  why: " << (untraced.empty() ? "the engine told nothing of this run" : untraced) << '\n';
        } else {
            out << "  why:\n";
        }
        for (const std::string& line : TraceLines(*trace)) out << "  " << line << '\n';
    }
    out.flush();
}

bool DecodeRecordArguments(const RunOptions& options, std::vector<RunRecord>& records, std::ostream& err) {
    const std::vector<std::string>& arguments = options.records;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string error;
        auto bytes = DecodeRecordArgument(arguments[i], error);
        if (!bytes) {
            Complain(err, "record ", i + 1, " '", arguments[i], "': ", error);
            return false;
        }
        records.push_back({std::move(*bytes), options.host.codeType, options.host.protocol});
    }
    return true;
}

std::unique_ptr<Engine> OpenEngine(const RunOptions& o) {
    if (o.engine) return o.engine(o.id, o.host);
    return std::make_unique<Session>(o.id, o.host);
}

bool PrepareRun(RunOptions& options, std::vector<RunRecord>& records, std::ostream& err) {
    if (!options.text && ReportMissingFile(options.script, err)) return false;
    const bool read = options.scans.empty() ? DecodeRecordArguments(options, records, err)
                                            : ReadScans(options.scans, options, records, err);
    if (read) PrintRunWarnings(options.script, options.id, err);
    return read;
}

int RunCommand(RunOptions options, Streams io) {
    std::vector<RunRecord> records;
    if (!PrepareRun(options, records, io.err)) return kExitUsage;
    return options.jsonl ? RunJsonl(options, records, io) : RunHuman(options, records, io);
}

}  // namespace trelmix::cli
