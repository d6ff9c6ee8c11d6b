// The command line of `trelmix`: `check`, `run` and `test` over the library's
// own exports and a simulated host, and `keywords`, the language reference.
#include "command_line.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "common/errors.h"
#include "common/host_id.h"
#include "keywords/keyword_reference.h"
#include "learn/learn_command.h"
#include "lsp/language.h"
#include "lsp/server.h"
#include "run/run.h"
#include "test/test_runner.h"

using namespace trelmix;
using namespace trelmix::cli;

namespace {

// The options both commands share: which id the script is assigned under.
struct IdOptions {
    bool keyboard = false;
    std::string id;

    void AddTo(CLI::App& command) {
        CLI::Option* kb = command.add_flag("--keyboard", keyboard,
                                           "Assign under KeyboardClientId: the script compiles in keyboard mode "
                                           "(the SEND_ keywords are recognised)");
        CLI::Option* guid = command.add_option("--id", id,
                                               "Assign under this host id, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} "
                                               "(braces optional). Default: an application id, the nil GUID");
        guid->type_name("GUID");
        kb->excludes(guid);
    }

    std::optional<HostId> Resolve() const {
        if (keyboard) return KeyboardClientId;
        if (id.empty()) return kDefaultApplicationId;
        return ParseHostId(id);
    }
};

constexpr const char* kScriptHelp =
    "A script file (when a file or directory of that name exists) or the script text itself, "
    "in which &quot; &amp; &apos; &lt; &gt; are undone, exactly as a host passes it. A name that looks like a "
    "file name (one line ending in .trelmix or .txt, or one word holding no keyword) but names no file is a "
    "usage error";
constexpr const char* kTextHelp = "Take SCRIPT as script text even when it looks like a file name";

// Parses the command line and runs the command.
int Commands(int argc, char** argv, const cli::Program& program) {
#if defined(_WIN32)
    // Records, scripts and JSON lines are bytes: no CR LF translation, and
    // 0x1A does not end the input.
    for (FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
#endif
    commandName = program.name;
    CLI::App app{program.description, program.name};
    // A SCRIPT or RECORD may begin with '/' (a path, a record) on Windows too.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", program.name + " " + TRLM_VERSION_STRING);
    app.require_subcommand(1);
    const std::string commands =
        program.check ? "Commands:\n"
                        "  trelmix check [--keyboard | --id GUID] [--werror] [-W no-GROUP] [--no-warn CODE] [--fix] "
                        "[--format text|jsonl] [--text] SCRIPT...\n"
                        "  trelmix check --list-warnings [--format text|jsonl]\n"
                        "  trelmix run   [--keyboard | --id GUID] [HOST OPTIONS] [--jsonl] [--scans FILE] [--text] "
                        "[--explain] SCRIPT [RECORD...]\n"
                        "  trelmix test  [--update] [--coverage-min N] [--engine CMD] [--no-trace] FILE...\n"
                        "  trelmix keywords [--format text|jsonl] [KEYWORD]\n"
                        "  trelmix learn [-o SCRIPT] [--explain] FILE\n"
                        "  trelmix lsp\n"
                      : "";
    app.footer(commands + program.exitStatus + "\nRun '" + program.name + " COMMAND --help' for a command's options.");
    if (program.options) program.options(app);

    // trelmix check
    CLI::App* check = app.add_subcommand("check",
                                         "Compile a script and explain the library's decision: "
                                         "the failing line and why, and warnings");
    check->disabled(!program.check);
    IdOptions checkId;
    checkId.AddTo(*check);
    CheckOptions checkOptions;
    std::string format = "text";
    check->add_flag("--werror", checkOptions.werror, "Exit 1 when any warning was printed (notes do not count)");
    std::vector<std::string> groupsOff;
    std::vector<std::string> codesOff;
    check->add_option("-W", groupsOff, "no-GROUP: switch off a group of warnings and notes (see --list-warnings)")
        ->type_name("no-GROUP")
        ->allow_extra_args(false);
    check->add_option("--no-warn", codesOff, "Switch off one warning or note by its code")
        ->type_name("CODE")
        ->allow_extra_args(false);
    check->add_flag("--fix", checkOptions.fix,
                    "Apply the fixes of the diagnostics that have one to the script files, each in one write, "
                    "and print what changed");
    bool listWarnings = false;
    check->add_flag("--list-warnings", listWarnings,
                    "Print every diagnostic check can give: code, severity, group and summary");
    check
        ->add_option("--format", format,
                     "text (default), or jsonl: one JSON object per diagnostic (file, line, column, end_column, "
                     "severity, code, message, hint), then {\"file\", \"ok\", \"rules\"} per script")
        ->check(CLI::IsMember({"text", "jsonl"}));
    check->add_flag("--text", checkOptions.text, kTextHelp);
    check->add_option("SCRIPT", checkOptions.scripts, kScriptHelp + std::string(". Several are checked in turn"));

    // trelmix run
    CLI::App* run = app.add_subcommand("run", "Run a script on records and show the results and the key strokes");
    IdOptions runId;
    runId.AddTo(*run);
    RunOptions runOptions;
    HostOptions& host = runOptions.host;
    // Numbers are read strictly after parsing.
    std::string numberText[std::size(kHostOptions)];
    bool flagGiven[std::size(kHostOptions)] = {};
    for (std::size_t i = 0; i < std::size(kHostOptions); ++i) {
        const HostOption& o = kHostOptions[i];
        if (o.number) run->add_option(o.name, numberText[i], o.help)->type_name("N");
        if (o.flag) run->add_flag(o.name, flagGiven[i], o.help);
    }
    run->add_flag("--jsonl", runOptions.jsonl,
                  "Machine-readable: JSON lines in on standard input ({\"hex\": ...} or {\"assign\": ...}), "
                  "one JSON line out per input line, after the assign result");
    run->add_flag("--explain", runOptions.explain,
                  "After each record, the story of its run: every rule reached and why it was passed or "
                  "applied, each action with the record after it, and the status (--jsonl: a \"trace\" array)");
    CLI::Option* scans = run->add_option(
        "--scans", runOptions.scans,
        "Read the records from FILE: one per line as a RECORD argument is written, '#' lines are comments, "
        "'--code-type N' and '--protocol N' lines hold for the records after them, other option lines "
        "(--keyboard, --caps-lock, ...) before the first record hold for the whole run");
    scans->type_name("FILE");
    run->add_flag("--text", runOptions.text, kTextHelp);
    run->add_option("SCRIPT", runOptions.script, kScriptHelp)->required();
    CLI::Option* records = run->add_option(
        "RECORD", runOptions.records,
        "A record's bytes; \\xHH is one byte, \\\\ one backslash. Without records (and without --jsonl or "
        "--scans) records are read from standard input, one per line. Give -- before a SCRIPT or RECORD that "
        "starts with '-'");
    records->excludes(scans);
    run->footer(
        "The script's warnings go to standard error before the first record.\nExit status: 0 every "
        "record was processed; 1 assigning SCRIPT failed (records still run, with status -1); 2 usage "
        "error (with --jsonl: a bad request line, answered with {\"error\": ...}).");
    check->footer(
        "Exit status: 0 the scripts compile; 1 one is rejected or cannot be read (or, with --werror, "
        "has a warning); 2 usage error.");

    // trelmix keywords
    CLI::App* keywords = app.add_subcommand("keywords", "List the script language's keywords, or show one");
    keywords->disabled(!program.check);
    std::string keyword;
    keywords->add_option("KEYWORD", keyword, "A keyword (any case): its synopsis, arguments and where it may stand");
    std::string keywordsFormat = "text";
    keywords
        ->add_option("--format", keywordsFormat,
                     "text (default), or jsonl: the keyword table, one JSON object per keyword with every "
                     "fact of its row")
        ->check(CLI::IsMember({"text", "jsonl"}));

    // trelmix lsp
    CLI::App* lsp = app.add_subcommand("lsp",
                                       "Serve editors: a language server on standard input and output "
                                       "(diagnostics, hover, completion, symbols, formatting)");
    lsp->disabled(!program.check);

    // trelmix test
    CLI::App* test = app.add_subcommand("test",
                                        "Run test files: every case's record against its expected "
                                        "status, record and keys; a diff and the trace of each failure, "
                                        "then rule coverage");
    TestOptions testOptions;
    test->add_flag("--update", testOptions.update, "Rewrite the failing expectations from what came back");
    test->add_option("--coverage-min", testOptions.coverageMin, "Fail when fewer than N percent of the rules applied")
        ->type_name("N");
    test->add_option("--engine", testOptions.engine,
                     "Run the cases on another engine: the command CMD, run as CMD run --jsonl ..., instead of "
                     "the library linked in")
        ->type_name("CMD");
    test->add_option("--case-timeout", testOptions.caseTimeout,
                     "With --engine: the seconds the engine may take to answer one request, or to end after the "
                     "last; an engine that takes longer is stopped and the case fails")
        ->type_name("SECONDS")
        ->capture_default_str();
    bool noTrace = false;
    test->add_flag("--no-trace", noTrace,
                   "Run the records exactly as a host does, without the trace (no trace in a failure, no "
                   "coverage)");
    test->add_option("FILE", testOptions.files, "A test file (see README: Test files)")->required();
    test->footer(
        "Exit status: 0 every case passed (and coverage reached --coverage-min); 1 a case failed; "
        "2 usage error or a malformed test file.");

    // trelmix learn
    CLI::App* learn = app.add_subcommand("learn",
                                         "Write the script that a test file's cases ask for: records, "
                                         "the result each must give and, for --keyboard, the keys");
    learn->disabled(!program.check);
    LearnOptions learnOptions;
    learn->add_option("-o", learnOptions.output, "Write the script to SCRIPT instead of standard output")
        ->type_name("SCRIPT");
    learn->add_flag("--explain", learnOptions.explain, "Say how each rule was found, on standard error");
    learn->add_option("FILE", learnOptions.file, "A test file without a script line (see README: Test files)")
        ->required();
    learn->footer(
        "Exit status: 0 the script passes every case; 1 no script found that does (the closest is "
        "printed, with the cases it fails); 2 usage error or a malformed test file.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        Complain(std::cerr, e.what(), "\nRun '", program.name, " --help' for usage.");
        return kExitUsage;
    }

    Streams io{std::cin, std::cout, std::cerr};
    if (test->parsed()) {
        testOptions.trace = !noTrace;
        testOptions.linked = program.engine;
        return TestCommand(testOptions, io);
    }
    if (keywords->parsed()) return KeywordsCommand(keyword, io, keywordsFormat == "jsonl");
    if (learn->parsed()) return LearnCommand(learnOptions, io);
    if (lsp->parsed()) return lsp::Serve(std::cin, std::cout);
    const IdOptions& ids = check->parsed() ? checkId : runId;
    const std::optional<HostId> id = ids.Resolve();
    if (!id) {
        Complain(std::cerr, "--id: '", ids.id,
                 "' is not a host id; write {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hex digits");
        return kExitUsage;
    }
    if (check->parsed()) {
        checkOptions.id = *id;
        checkOptions.idGiven = checkId.keyboard || !checkId.id.empty();
        checkOptions.jsonl = format == "jsonl";
        if (listWarnings) {
            io.out << DiagnosticTableText(checkOptions.jsonl);
            return kExitOk;
        }
        for (const std::string& g : groupsOff) {
            if (checkOptions.filter.DisableGroup(g)) continue;
            Complain(std::cerr, "-W ", g, ": write no-GROUP with a group of --list-warnings");
            return kExitUsage;
        }
        for (const std::string& c : codesOff) {
            if (checkOptions.filter.DisableCode(c)) continue;
            Complain(std::cerr, "--no-warn ", c, ": no diagnostic has this code (see --list-warnings)");
            return kExitUsage;
        }
        if (checkOptions.scripts.empty()) {
            Complain(std::cerr, "check: SCRIPT is required\nRun '", program.name, " --help' for usage.");
            return kExitUsage;
        }
        return CheckCommand(checkOptions, io);
    }

    for (std::size_t i = 0; i < std::size(kHostOptions); ++i) {
        const HostOption& o = kHostOptions[i];
        if (o.flag && flagGiven[i]) host.*o.flag = o.set;
        if (!o.number || run->count(o.name) == 0) continue;
        if (const auto error = SetHostNumber(o, numberText[i], host)) {
            Complain(std::cerr, *error);
            return kExitUsage;
        }
    }
    const bool idGiven = runId.keyboard || !runId.id.empty();
    runOptions.id =
        !idGiven && lsp::DeclaredModeOf(runOptions.script) == lsp::ScriptMode::Keyboard ? KeyboardClientId : *id;
    runOptions.engine = program.engine;
    return RunCommand(runOptions, io);
}

}  // namespace

// Memory running out ends a command with a message, in every program that
// has a command line: none aborts.
int trelmix::cli::CommandLine(int argc, char** argv, const Program& program) {
    try {
        return Commands(argc, argv, program);
    } catch (const std::bad_alloc&) {
        Complain(std::cerr, "out of memory");
        return 1;
    }
}
