#include "check/check.h"

#include <algorithm>
#include <iostream>

#include "check/diagnose.h"
#include "platform/testing/recording.h"
#include "script/compiler.h"
#include "script/diagnostic.h"
#include "common/session.h"
#include "common/text_encoding.h"

namespace trelmix::cli {

namespace {

int CheckOne(const CheckOptions& o, const std::string& argument, Streams io) {
    if (!o.text && LooksLikeMissingFile(argument)) {
        if (!o.jsonl) {
            ReportMissingFile(argument, io.err);
            return kExitUsage;
        }
        const ScriptSource missing{ScriptSource::Kind::Unreadable, argument, {}};
        io.out << FindingJson(missing, {nullptr, Code::FileMissing, MissingFileReason()}) << '\n';
        io.out << SummaryJson(missing, false, 0) << '\n';
        return kExitUsage;
    }
    Session session(o.id, HostOptions{});
    const std::u16string script = FromCommandLine(argument);
    Diagnosis d = Diagnose(script, argument, IsKeyboardClient(o.id));
    // The library decides; the diagnosis only explains. Both must agree.
    const bool assigned = session.Assign(script).assigned;
    std::erase_if(d.findings, [&](const Finding& f) { return !o.filter.Enabled(f.code); });

    const std::string problem = SourceProblemReason(d.source);
    const auto warnings = std::count_if(d.findings.begin(), d.findings.end(),
                                        [](const Finding& f) { return f.severity() == Severity::Warning; });
    if (o.jsonl) {
        if (!problem.empty()) io.out << FindingJson(d.source, {nullptr, SourceProblemCode(d.source), problem}) << '\n';
        for (const Finding& f : d.findings) io.out << FindingJson(d.source, f) << '\n';
        io.out << SummaryJson(d.source, assigned, d.rules) << '\n';
    } else if (!problem.empty()) {
        io.out << SourceProblem(d.source) << '\n';
    } else {
        FormatFindings(d.source, d.findings, io.out);
        if (d.accepted) io.out << d.source.name << ": ok, " << d.rules << (d.rules == 1 ? " rule\n" : " rules\n");
    }
    if (assigned != d.accepted) {
        io.err << "trelmix: internal error: the library " << (assigned ? "accepted" : "rejected")
               << " the script, the diagnosis says otherwise\n";
    }
    return !assigned || (o.werror && warnings > 0) ? kExitRejected : kExitOk;
}

}  // namespace

int CheckCommand(const CheckOptions& o, Streams io) {
    int worst = kExitOk;
    for (const std::string& script : o.scripts) worst = std::max(worst, CheckOne(o, script, io));
    return worst;
}

void PrintRunWarnings(const std::string& argument, const HostId& id, std::ostream& err) {
    const platform::ScopedRecording recording;  // the compilation writes its load event
    const bool keyboard = IsKeyboardClient(id);
    const Diagnosis d = Diagnose(FromCommandLine(argument), argument, keyboard);
    std::vector<Finding> warnings;
    for (const Finding& f : d.findings) {
        if (f.severity() == Severity::Warning) warnings.push_back(f);
    }
    FormatFindings(d.source, warnings, err);
    std::string sendLines;
    Locator locate(d.source.text.data());
    for (const char16_t* line : d.ignoredSends) {
        sendLines += (sendLines.empty() ? "" : ", ") + std::to_string(locate(line).line);
    }
    if (!sendLines.empty()) {
        err << "trelmix: note: this application script ignores its send keywords ("
            << (d.ignoredSends.size() == 1 ? "line " : "lines ") << sendLines
            << "); use --keyboard to run it as the keyboard's script\n";
    }
}

}  // namespace trelmix::cli
