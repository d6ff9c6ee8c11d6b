#include "learn/learn_command.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/errors.h"
#include "learn/job_file.h"
#include "learn/learner.h"
#include "test/test_runner.h"

namespace trelmix::cli {

namespace {

namespace fs = std::filesystem;

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
    std::ifstream in(o.file, std::ios::binary);
    if (!in) {
        Complain(io.err, o.file, ": cannot read the test file");
        return kExitUsage;
    }
    std::ostringstream given;
    given << in.rdbuf();
    const std::string text = given.str();
    std::string error;
    const std::optional<learn::Job> job = learn::ReadJob(o.file, text, error);
    if (!job) {
        Complain(io.err, error);
        return kExitUsage;
    }
    Scratch scratch;
    if (scratch.dir.empty()) {
        Complain(io.err, "learn: cannot make a temporary folder");
        return kExitUsage;
    }
    const fs::path cases = scratch.dir / "cases.tests";

    const learn::Learned learned = learn::Learn(*job);
    // The last word is the test runner's, on the file as given.
    Write(scratch.dir / "learned.trelmix", learned.script);
    Write(cases, learn::WithScriptLine(text, "script learned.trelmix"));
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
    for (std::size_t i : learned.failing) io.err << "  " << job->examples[i].where << '\n';
    // The runner's diff, with the file's own name and lines.
    std::string diff = report.str();
    const std::string name = cases.string();
    for (std::size_t p; (p = diff.find(name)) != std::string::npos;) {
        std::size_t end = p + name.size();
        std::string replacement = o.file;
        if (end < diff.size() && diff[end] == ':') {
            std::size_t digits = end + 1;
            std::size_t line = 0;
            while (digits < diff.size() && std::isdigit(static_cast<unsigned char>(diff[digits]))) {
                line = line * 10 + static_cast<std::size_t>(diff[digits] - '0');
                ++digits;
            }
            if (digits > end + 1) {
                replacement += ":" + std::to_string(learn::OwnLine(text, line));
                end = digits;
            }
        }
        diff.replace(p, end - p, replacement);
    }
    // Coverage is about the learned script's rules, not the cases: left out.
    std::istringstream report_lines(diff);
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
