#include "test/test_runner.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string_view>

#include "common/errors.h"
#include "common/files.h"
#include "common/human_output.h"
#include "common/text_encoding.h"

namespace trelmix::cli {

namespace {

// The rules of one script and what the cases did with them.
struct ScriptCoverage {
    std::string name;
    std::unique_ptr<ScriptMap> map;
    bool traced = false;                                      // some record brought a trace
    std::size_t records = 0;                                  // records run with it
    std::map<std::uint32_t, std::size_t> reached;             // by BEGIN_RULE line
    std::set<std::uint32_t> applied;                          // took the record: applied, ran, or stopped it
    std::set<std::pair<std::uint32_t, std::string>> decided;  // (rule line, clause keyword)

    void Add(const Trace& trace) {
        ++records;
        for (const TraceStep& step : trace) {
            if (step.kind != TraceStep::Kind::Rule) continue;
            traced = true;
            ++reached[step.line];
            if (step.fate == "criteria failed") {
                decided.insert({step.line, step.clause});
            } else if (step.fate != "ruleset off") {
                applied.insert(step.line);
            }
        }
    }
};

class Coverage {
public:
    ScriptCoverage& For(const std::string& script, bool keyboard, const std::string& name) {
        const auto key = std::make_pair(script, keyboard);
        auto found = index_.find(key);
        if (found != index_.end()) return scripts_[found->second];
        index_.emplace(key, scripts_.size());
        ScriptCoverage& c = scripts_.emplace_back();
        c.name = name;
        c.map = std::make_unique<ScriptMap>(FromCommandLine(script), keyboard);
        return c;
    }

    // The gaps of every script, and the share of rules applied (or nothing
    // when no engine told of its rules).
    std::optional<double> Report(std::ostream& out) const {
        std::size_t rules = 0, applied = 0;
        bool traced = false;
        for (const ScriptCoverage& c : scripts_) {
            if (!c.map->accepted() || c.records == 0) continue;
            traced |= c.traced;
            std::vector<std::string> gaps;
            std::size_t took = 0;
            for (std::size_t r = 0; r < c.map->rules(); ++r) {
                const ScriptMap::RuleLines& rule = c.map->rule(r);
                const std::string at = "rule at line " + std::to_string(rule.begin);
                const auto reached = c.reached.find(rule.begin);
                if (reached == c.reached.end()) {
                    gaps.push_back(at + " never reached");
                    continue;
                }
                if (c.applied.count(rule.begin)) {
                    ++took;
                } else {
                    const std::size_t n = reached->second;
                    gaps.push_back(at + " never applied (reached " + (n == 1 ? "once" : std::to_string(n) + " times") +
                                   ")");
                }
                std::set<std::string> seen;
                for (const std::string& keyword : rule.clauseKeywords) {
                    if (!seen.insert(keyword).second || c.decided.count({rule.begin, keyword})) continue;
                    std::string clause;
                    for (std::size_t i : c.map->Deciding(r, keyword)) {
                        clause += (clause.empty() ? "" : ", ") + rule.clauseTexts[i] + " at line " +
                                  std::to_string(rule.clauses[i]);
                    }
                    gaps.push_back(clause + " never decided a record (" + at + ")");
                }
            }
            rules += c.map->rules();
            applied += took;
            if (!c.traced) {
                out << "coverage of " << c.name << ": the engine gave no trace\n";
                continue;
            }
            if (gaps.empty()) continue;
            out << "coverage of " << c.name << ": " << took << " of " << Plural(c.map->rules(), "rule", "rules")
                << " applied\n";
            for (const std::string& g : gaps) out << "  " << g << '\n';
        }
        if (!traced) return std::nullopt;
        const double percent = rules == 0 ? 100.0 : 100.0 * static_cast<double>(applied) / static_cast<double>(rules);
        out << "rule coverage: " << applied << " of " << Plural(rules, "rule", "rules") << " applied ("
            << static_cast<int>(std::floor(percent)) << "%)\n";
        return percent;
    }

private:
    std::map<std::pair<std::string, bool>, std::size_t> index_;
    std::vector<ScriptCoverage> scripts_;
};

Expectation Got(const RecordResult& r, bool raw) {
    Expectation e;
    e.status = r.status;
    e.bytes = r.bytes;
    if (r.length != r.bytes.size()) e.length = r.length;
    e.output = OutputLines(r.output, raw);
    return e;
}

std::vector<std::string> Shown(const Expectation& e) {
    std::vector<std::string> lines = {FormatExpectation(e)};
    for (const std::string& o : e.output) lines.push_back("  " + o);
    return lines;
}

// A script path of a test file, relative to the file's folder unless absolute.
std::string Resolve(const std::string& file, const std::string& script) {
#if defined(_WIN32)
    constexpr std::string_view kSeparators = "/\\";
    if (script.size() > 1 && script[1] == ':') return script;  // a drive's path
#else
    constexpr std::string_view kSeparators = "/";
#endif
    if (script.empty() || kSeparators.find(script[0]) != std::string_view::npos) return script;
    const std::size_t slash = file.find_last_of(kSeparators);
    return slash == std::string::npos ? script : file.substr(0, slash + 1) + script;
}

struct FileTally {
    std::size_t cases = 0;
    std::size_t failed = 0;   // cases
    std::size_t scripts = 0;  // script lines that failed: not assigned, not started, not found
    bool unwritten = false;   // --update could not write the file
};

// "3 cases, 1 failed", with ", 1 script line failed" after it when a script
// line did; a file's line says "2 cases, all passed" when nothing failed.
std::string Tallied(std::size_t cases, std::size_t failed, std::size_t scripts, bool ofOneFile) {
    std::string s = Plural(cases, "case", "cases");
    if (ofOneFile && !failed && !scripts) return s + ", all passed";
    if (failed || !ofOneFile) s += ", " + std::to_string(failed) + " failed";
    if (scripts) s += ", " + Plural(scripts, "script line", "script lines") + " failed";
    return s;
}

// The file's lines with the failing steps' expectations replaced by what
// came back; every other line (and every line's end) stays as it was.
void Rewrite(CaseFile& file, const std::map<std::size_t, Expectation>& got,
             const std::map<std::size_t, bool>& assigned) {
    for (std::size_t s = file.steps.size(); s-- > 0;) {
        const CaseFileStep& step = file.steps[s];
        std::string& line = file.lines[step.line - 1];
        if (step.kind == CaseFileStep::Kind::Script) {
            const auto a = assigned.find(s);
            if (a == assigned.end() || a->second != step.expectRejected) continue;
            const std::size_t arrow = line.rfind("->");
            if (step.expectRejected) {
                line = line.substr(0, line.find_last_not_of(" \t", arrow - 1) + 1);
            } else {
                line += " -> rejected";
            }
            continue;
        }
        const auto g = got.find(s);
        if (g == got.end()) continue;
        const std::size_t quote = line.find('"');
        line = line.substr(0, line.find("->", line.find('"', quote + 1))) + "-> " + FormatExpectation(g->second);
        if (g->second.output == step.expected.output) continue;
        std::string indent = "  ";
        if (!step.outputLines.empty()) {
            const std::string& first = file.lines[step.outputLines.front() - 1];
            indent = first.substr(0, first.find_first_not_of(" \t"));
        }
        for (std::size_t k = step.outputLines.size(); k-- > 0;) {
            const auto at = static_cast<std::ptrdiff_t>(step.outputLines[k] - 1);
            file.lines.erase(file.lines.begin() + at);
            file.endings.erase(file.endings.begin() + at);
        }
        const auto after = static_cast<std::ptrdiff_t>(step.line);
        std::string& last = file.endings[step.line - 1];
        if (last.empty() && !g->second.output.empty()) {  // the last line gets output after it
            last = file.endings.front().empty() ? "\n" : file.endings.front();
        }
        const std::string ending = last;  // a copy: the inserts below may move every ending
        for (auto o = g->second.output.rbegin(); o != g->second.output.rend(); ++o) {
            file.lines.insert(file.lines.begin() + after, indent + *o);
            file.endings.insert(file.endings.begin() + after, ending);
        }
    }
}

// The file's lines as they now stand, replacing the file. Empty when
// written, else why not.
std::string WriteBack(const CaseFile& file) {
    std::string bytes;
    for (std::size_t i = 0; i < file.lines.size(); ++i) bytes += file.lines[i] + file.endings[i];
    return ReplaceFile(file.path, bytes);
}

FileTally RunFile(CaseFile& file, CaseEngine& engine, Coverage& coverage, bool update, std::ostream& out) {
    FileTally tally;
    std::size_t session = static_cast<std::size_t>(-1);
    ScriptCoverage* current = nullptr;
    std::map<std::size_t, Expectation> got;
    std::map<std::size_t, bool> assignedAt;
    const auto failure = [&](std::size_t line, const std::string& what) {
        out << "FAIL " << file.path << ":" << line << ": " << what << '\n';
    };
    for (std::size_t s = 0; s < file.steps.size(); ++s) {
        const CaseFileStep& step = file.steps[s];
        std::string error;
        if (step.kind == CaseFileStep::Kind::Script) {
            const SessionSpec& setup = file.sessions[step.session];
            if (step.session != session && !engine.Start(setup, error)) {
                failure(step.line, error);
                ++tally.scripts;
                return tally;
            }
            session = step.session;
            const std::string script = step.inlineScript ? step.script : Resolve(file.path, step.script);
            std::error_code missing;
            if (!step.inlineScript && !std::filesystem::exists(script, missing)) {
                failure(step.line, script + ": no such file");
                ++tally.scripts;
                return tally;
            }
            const auto assigned = engine.Assign(script, error);
            if (!assigned) {
                failure(step.line, error);
                ++tally.scripts;
                return tally;
            }
            assignedAt[s] = *assigned;
            if (*assigned == step.expectRejected) {
                failure(step.line, step.expectRejected ? "the script was assigned, expected it rejected"
                                                       : "the script was not assigned (trelmix check says why)");
                ++tally.scripts;
            }
            const std::string name =
                step.inlineScript ? "the script at " + file.path + ":" + std::to_string(step.line) : script;
            current = &coverage.For(script, setup.keyboard, name);
            continue;
        }
        const auto outcome = engine.Run(step, error);
        if (!outcome) {
            failure(step.line, error);
            ++tally.failed;
            return tally;
        }
        ++tally.cases;
        current->Add(outcome->trace);
        const Expectation actual = Got(outcome->result, file.sessions[session].rawOutput);
        const std::vector<std::string> want = Shown(step.expected), have = Shown(actual);
        if (want == have) continue;
        if (update) got[s] = actual;
        ++tally.failed;
        const std::string& line = file.lines[step.line - 1];
        const std::string record = line.substr(0, line.find_last_not_of(" \t", line.find("->") - 1) + 1);
        failure(step.line, record.substr(record.find_first_not_of(" \t")) + " (- expected, + got)");
        for (const std::string& d : Diff(want, have)) out << "  " << d << '\n';
        if (outcome->trace.empty()) {
            out << "  (the engine gave no trace)\n";
        } else {
            out << "  why:\n";
            for (const std::string& t : TraceLines(outcome->trace)) out << "  " << t << '\n';
        }
    }
    if (update && tally.failed + tally.scripts > 0) {
        Rewrite(file, got, assignedAt);
        const std::string problem = WriteBack(file);
        if (problem.empty()) {
            out << file.path << ": expectations rewritten from what came back\n";
        } else {
            out << file.path << ": not updated: " << problem << '\n';
            tally.unwritten = true;
        }
    }
    return tally;
}

}  // namespace

std::vector<std::string> Diff(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::vector<std::size_t>> common(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = a.size(); i-- > 0;) {
        for (std::size_t j = b.size(); j-- > 0;) {
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    std::vector<std::string> out;
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            out.push_back("  " + a[i++]);
            ++j;
        } else if (i < a.size() && (j == b.size() || common[i + 1][j] >= common[i][j + 1])) {
            out.push_back("- " + a[i++]);
        } else {
            out.push_back("+ " + b[j++]);
        }
    }
    return out;
}

int TestCommand(const TestOptions& o, Streams io) {
    if (o.coverageMin && !(*o.coverageMin >= 0 && *o.coverageMin <= 100)) {
        Complain(io.err, "--coverage-min: give a percentage from 0 to 100");
        return kExitUsage;
    }
    if (!(o.caseTimeout > 0 && o.caseTimeout <= 86400)) {
        Complain(io.err, "--case-timeout: give a number of seconds above 0, at most 86400");
        return kExitUsage;
    }
    std::unique_ptr<CaseEngine> engine =
        o.engine.empty() ? LinkedEngine(o.linked, o.trace) : ProcessEngine(o.engine, o.trace, o.caseTimeout);
    if (!engine) {
        Complain(io.err, "test --engine is not available on this system");
        return kExitUsage;
    }
    std::vector<CaseFile> files;
    for (const std::string& path : o.files) {
        std::string error;
        auto file = ReadCaseFile(path, error);
        if (!file) {
            Complain(io.err, error);
            return kExitUsage;
        }
        files.push_back(std::move(*file));
    }
    Coverage coverage;
    std::size_t cases = 0, failed = 0, scripts = 0;
    bool unwritten = false;
    for (CaseFile& file : files) {
        const FileTally t = RunFile(file, *engine, coverage, o.update, io.out);
        io.out << file.path << ": " << Tallied(t.cases, t.failed, t.scripts, true) << '\n';
        cases += t.cases;
        unwritten |= t.unwritten;
        failed += t.failed;
        scripts += t.scripts;
    }
    engine.reset();
    const std::optional<double> percent = o.trace ? coverage.Report(io.out) : std::nullopt;
    io.out << files.size() << (files.size() == 1 ? " file, " : " files, ") << Tallied(cases, failed, scripts, false)
           << '\n';
    bool ok = ((failed == 0 && scripts == 0) || o.update) && !unwritten;
    if (o.coverageMin && (!percent || *percent < *o.coverageMin)) {
        io.out << "rule coverage is below " << *o.coverageMin << "%\n";
        ok = false;
    }
    return ok ? kExitOk : kExitRejected;
}

}  // namespace trelmix::cli
