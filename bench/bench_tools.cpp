// The command's own work on scripts of many rules: explaining a record and
// running a test file must stay linear in the number of rules (10,000 rules
// at most about 10 times 1,000).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/jsonl.h"
#include "test/test_runner.h"

namespace bench {

namespace {

// Rules that each look for a text no record holds, and one last rule that
// applies: a record reaches every rule.
std::string ManyRules(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += "BEGIN_RULE\nBEGIN_CRITERIA\n    CODE_MATCH('X" + std::to_string(i) +
             "', 0)\nEND_CRITERIA\nBEGIN_ACTION\n    APPEND('y')\nEND_ACTION\nEND_RULE\n";
    }
    return s + "BEGIN_RULE\nBEGIN_ACTION\n    APPEND('!')\nEND_ACTION\nEND_RULE\n";
}

void Explain(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    trelmix::cli::RunOptions o;
    o.script = ManyRules(n);
    o.text = true;
    o.explain = true;
    for (auto _ : state) {
        trelmix::cli::JsonlRun run(o);  // maps the script's lines, then explains one record
        benchmark::DoNotOptimize(run.Answer("{\"hex\": \"41\"}"));
    }
    state.SetComplexityN(static_cast<std::int64_t>(n));
}

void TestFile(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string dir = std::filesystem::temp_directory_path().string();
    const std::string script = dir + "/trelmix_bench_rules.trelmix", tests = dir + "/trelmix_bench_rules.tests";
    std::ofstream(script, std::ios::binary) << ManyRules(n);
    std::ofstream(tests, std::ios::binary) << "script " << script << "\n\"A\" -> status 1: \"A!\"\n";
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out, err;
        if (trelmix::cli::TestCommand({{tests}, false, std::nullopt, "", true, {}}, {in, out, err}) != 0) {
            state.SkipWithError(("the case failed: " + out.str()).c_str());
            break;
        }
    }
    std::remove(script.c_str());
    std::remove(tests.c_str());
    state.SetComplexityN(static_cast<std::int64_t>(n));
}

}  // namespace

void RegisterToolBenchmarks() {
    for (auto* b : {benchmark::RegisterBenchmark("scaling_tools/explain", Explain),
                    benchmark::RegisterBenchmark("scaling_tools/test", TestFile)}) {
        b->Arg(1000)->Arg(10000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace bench
