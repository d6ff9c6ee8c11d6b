#include "check/check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "check/diagnose.h"
#include "check/warning_checks.h"
#include "common/errors.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text_encoding.h"
#include "lsp/language.h"
#include "platform/simulated/simulated_host.h"
#include "script/compiler.h"
#include "script/diagnostic.h"

namespace trelmix::cli {

namespace {

// The file with every fix applied, in one write: a temporary file renamed
// over it. Nothing is written when two fixes overlap or the file is not the
// text diagnosed. Prints each change; false when the file stays as it was.
bool ApplyFixes(const ScriptSource& source, const std::vector<Finding>& findings, Streams io) {
    std::vector<Fix> fixes;
    for (const Finding& f : findings) fixes.insert(fixes.end(), f.fixes.begin(), f.fixes.end());
    if (fixes.empty()) return false;
    std::stable_sort(fixes.begin(), fixes.end(), [](const Fix& a, const Fix& b) { return a.from < b.from; });
    const auto fail = [&](const std::string& why) {
        Complain(io.err, source.name, ": not fixed: ", why);
        return false;
    };
    for (std::size_t i = 1; i < fixes.size(); ++i) {
        if (fixes[i].from < fixes[i - 1].to) return fail("two fixes change the same text");
    }
    std::ifstream in(source.name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char16_t* text = source.text.data();
    if (!in.good() && !in.eof()) return fail("cannot read it again");
    if (bytes.size() + 1 != source.text.size() || !std::equal(bytes.begin(), bytes.end(), text, [](char b, char16_t u) {
            return static_cast<unsigned char>(b) == u;
        })) {
        return fail("it changed while it was checked");
    }
    std::string fixed;
    std::ostringstream said;
    std::size_t done = 0;
    Locator locate(text);
    for (const Fix& f : fixes) {
        const auto from = static_cast<std::size_t>(f.from - text);
        const auto to = static_cast<std::size_t>(f.to - text);
        fixed.append(bytes, done, from - done);
        fixed += f.text;
        done = to;
        const SourcePosition at = locate(f.from);
        said << source.name << ":" << at.line << ":" << at.column
             << ": fixed: " << Shown(std::u16string_view(f.from, to - from))
             << (f.text.empty() ? " removed" : " -> " + f.text) << "\n";
    }
    fixed.append(bytes, done);
    if (const std::string why = ReplaceFile(source.name, fixed); !why.empty()) return fail(why);
    io.out << said.str();
    return true;
}

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
    const HostId id =
        !o.idGiven && lsp::DeclaredModeOf(argument) == lsp::ScriptMode::Keyboard ? KeyboardClientId : o.id;
    Session session(id, HostOptions{});
    const std::u16string script = FromCommandLine(argument);
    Diagnosis d = Diagnose(script, argument, IsKeyboardClient(id));
    // The library decides; the diagnosis only explains. Both must agree.
    const bool assigned = session.Assign(script).assigned;
    std::erase_if(d.findings, [&](const Finding& f) { return !o.filter.Enabled(f.code); });
    if (o.fix && d.source.kind == ScriptSource::Kind::File && ApplyFixes(d.source, d.findings, io)) {
        CheckOptions again = o;
        again.fix = false;
        return CheckOne(again, argument, io);  // what is left
    }

    const std::string problem = SourceProblemReason(d.source);
    const auto warnings = std::count_if(d.findings.begin(), d.findings.end(),
                                        [](const Finding& f) { return f.severity() == Severity::Warning; });
    if (o.jsonl) {
        if (!problem.empty()) io.out << FindingJson(d.source, {nullptr, SourceProblemCode(d.source), problem}) << '\n';
        Locator locate(d.source.text.data());
        for (const Finding& f : d.findings) io.out << FindingJson(d.source, f, &locate) << '\n';
        io.out << SummaryJson(d.source, assigned, d.rules) << '\n';
    } else if (!problem.empty()) {
        io.out << SourceProblem(d.source) << '\n';
    } else {
        FormatFindings(d.source, d.findings, io.out);
        if (d.accepted) io.out << d.source.name << ": ok, " << d.rules << (d.rules == 1 ? " rule\n" : " rules\n");
    }
    if (assigned != d.accepted) {
        Complain(io.err, "internal error: the library ", assigned ? "accepted" : "rejected",
                 " the script, the diagnosis says otherwise");
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
        Complain(err, "note: this application script ignores its send keywords (",
                 d.ignoredSends.size() == 1 ? "line " : "lines ", sendLines,
                 "); use --keyboard to run it as the keyboard's script");
    }
}

}  // namespace trelmix::cli
