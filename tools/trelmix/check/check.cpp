#include "check/check.h"

#include <algorithm>
#include <iostream>

#include "check/diagnose.h"
#include "lsp/language.h"
#include "platform/testing/recording.h"
#include "script/compiler.h"
#include "script/diagnostic.h"
#include "common/session.h"
#include "common/text_encoding.h"

namespace trelmix::cli {

namespace {

int CheckOne(const CheckOptions& o, const std::string& argument, Streams io) {
    if (!o.text && ReportMissingFile(argument, io.err)) return kExitUsage;
    const HostId id = !o.idGiven && lsp::DeclaredModeOf(argument) == lsp::ScriptMode::Keyboard ? KeyboardClientId : o.id;
    Session session(id, HostOptions{});
    const std::u16string script = FromCommandLine(argument);
    const Diagnosis d = Diagnose(script, argument, IsKeyboardClient(id));
    // The library decides; the diagnosis only explains. Both must agree.
    const bool assigned = session.Assign(script).assigned;

    const std::string problem = SourceProblemReason(d.source);
    const auto warnings = std::count_if(d.findings.begin(), d.findings.end(), [](const Finding& f) { return !f.error; });
    if (o.jsonl) {
        if (!problem.empty()) io.out << FindingJson(d.source, {nullptr, true, problem}) << '\n';
        for (const Finding& f : d.findings) io.out << FindingJson(d.source, f) << '\n';
        io.out << SummaryJson(d.source, assigned, d.rules) << '\n';
    } else if (!problem.empty()) {
        io.out << SourceProblem(d.source) << '\n';
    } else {
        for (const Finding& f : d.findings) io.out << FormatFinding(d.source, f);
        if (d.accepted) io.out << d.source.name << ": ok, " << d.rules << " rules\n";
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
    for (const Finding& f : d.findings) {
        if (!f.error) err << FormatFinding(d.source, f);
    }
    std::string sendLines;
    for (const char16_t* line : d.ignoredSends) {
        sendLines += (sendLines.empty() ? "" : ", ") + std::to_string(Locate(d.source.text.data(), line).line);
    }
    if (!sendLines.empty()) {
        err << "trelmix: note: this application script ignores its send keywords ("
            << (d.ignoredSends.size() == 1 ? "line " : "lines ") << sendLines
            << "); use --keyboard to run it as the keyboard's script\n";
    }
}

}  // namespace trelmix::cli
