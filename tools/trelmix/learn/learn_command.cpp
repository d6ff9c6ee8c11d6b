#include "learn/learn_command.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/errors.h"
#include "learn/learner.h"
#include "test/case_file.h"
#include "test/test_runner.h"

namespace trelmix::cli {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Where a script line goes: before the first case, after the host options
// (--keyboard, ...) that the cases' session takes.
std::size_t ScriptLineAt(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t start = lines[i].find_first_not_of(" \t");
        if (start == std::string::npos || lines[i][start] == '#') continue;
        if (lines[i].compare(start, 6, "script") == 0) return std::string::npos;  // it has one
        if (lines[i].find('"') != std::string::npos) return i;
    }
    return lines.size();
}

// A folder of its own for the files `trelmix test` reads.
struct Scratch {
    fs::path dir;
    Scratch() {
        std::random_device seed;
        std::error_code ec;
        for (int attempt = 0; attempt < 100; ++attempt) {
            dir = fs::temp_directory_path(ec) / ("trelmix-learn-" + std::to_string(seed()));
            if (fs::create_directory(dir, ec)) return;
        }
        dir.clear();
    }
    ~Scratch() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

bool Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int LearnCommand(const LearnOptions& o, Streams io) {
    std::vector<std::string> lines = ReadLines(o.file);
    if (lines.empty() && !fs::exists(o.file)) {
        Complain(io.err, o.file, ": cannot read the test file");
        return kExitUsage;
    }
    Scratch scratch;
    if (scratch.dir.empty()) {
        Complain(io.err, "learn: cannot make a temporary folder");
        return kExitUsage;
    }
    const std::size_t at = ScriptLineAt(lines);
    if (at == std::string::npos) {
        Complain(io.err, o.file, ": learn writes the script itself; remove the file's script line");
        return kExitUsage;
    }
    const auto withScript = [&](const std::string& script) {
        std::vector<std::string> copy = lines;
        copy.insert(copy.begin() + static_cast<std::ptrdiff_t>(at), script);
        std::string text;
        for (const std::string& l : copy) text += l + "\n";
        return text;
    };
    const fs::path cases = scratch.dir / "cases.tests";
    Write(cases, withScript("script \"\""));
    std::string error;
    const auto file = ReadCaseFile(cases.string(), error);
    if (!file) {
        const std::string name = cases.string();
        std::size_t colon = error.rfind(name, 0) == 0 ? name.size() + 1 : std::string::npos;
        std::string where = o.file;
        if (colon != std::string::npos) {
            const std::size_t line = std::strtoul(error.c_str() + colon, nullptr, 10);
            where += ":" + std::to_string(line > at ? line - 1 : line);
            error = error.substr(error.find(':', colon) + 1);
        }
        Complain(io.err, where, ":", error);
        return kExitUsage;
    }
    learn::Job job;
    for (const CaseFileStep& step : file->steps) {
        if (step.kind != CaseFileStep::Kind::Case) continue;
        const SessionSpec& session = file->sessions.back();
        if (session.rawOutput) {
            Complain(io.err, o.file, ": learn reads the output in words; drop --raw-output");
            return kExitUsage;
        }
        job.keyboard = session.keyboard;
        learn::Example e;
        e.record = step.record;
        e.codeType = step.host.codeType;
        e.protocol = step.host.protocol;
        e.status = step.expected.status;
        e.result = step.expected.bytes;
        e.output = step.expected.output;
        const std::size_t line = step.line > at ? step.line - 1 : step.line;
        e.where = o.file + ":" + std::to_string(line);
        job.examples.push_back(std::move(e));
    }
    if (file->sessions.size() > 1) {
        Complain(io.err, o.file, ": learn takes the cases of one host; host options go before the first case");
        return kExitUsage;
    }
    if (job.examples.empty()) {
        Complain(io.err, o.file, ": no cases to learn from");
        return kExitUsage;
    }

    const learn::Learned learned = learn::Learn(job);
    // The last word is the test runner's, on the file as given.
    Write(scratch.dir / "learned.trelmix", learned.script);
    Write(cases, withScript("script learned.trelmix"));
    std::ostringstream report, quiet;
    TestOptions test;
    test.files = {cases.string()};
    std::istringstream none;
    const bool passes = TestCommand(test, Streams{none, report, quiet}) == kExitOk;

    if (passes && !o.output.empty()) {
        if (!Write(o.output, learned.script)) {
            Complain(io.err, o.output, ": cannot write the script");
            return kExitUsage;
        }
    } else {
        io.out << learned.script;
    }
    io.out.flush();  // the script before what is said about it
    if (o.explain) {
        for (const std::string& e : learned.explain) Complain(io.err, "learn: ", e);
    }
    if (passes) {
        for (const std::string& n : learned.notes) Complain(io.err, "note: ", n);
        return kExitOk;
    }
    Complain(io.err,
             "learn: no script within the search explains every case; above is the closest. "
             "Cases it does not explain:");
    for (std::size_t i : learned.failing) io.err << "  " << job.examples[i].where << '\n';
    // The runner's diff, with the file's own name and lines.
    std::string text = report.str();
    const std::string name = cases.string();
    for (std::size_t p; (p = text.find(name)) != std::string::npos;) {
        std::size_t end = p + name.size();
        std::string replacement = o.file;
        if (end < text.size() && text[end] == ':') {
            std::size_t digits = end + 1;
            std::size_t line = 0;
            while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
                line = line * 10 + static_cast<std::size_t>(text[digits] - '0');
                ++digits;
            }
            if (digits > end + 1) {
                replacement += ":" + std::to_string(line > at ? line - 1 : line);
                end = digits;
            }
        }
        text.replace(p, end - p, replacement);
    }
    // Coverage is about the learned script's rules, not the cases: left out.
    std::istringstream report_lines(text);
    bool coverage = false;
    for (std::string line; std::getline(report_lines, line);) {
        if (line.rfind("coverage of ", 0) == 0 || line.rfind("rule coverage", 0) == 0) {
            coverage = true;
            continue;
        }
        if (coverage && line.rfind("  ", 0) == 0) continue;
        coverage = false;
        io.err << line << '\n';
    }
    return kExitRejected;
}

}  // namespace trelmix::cli
