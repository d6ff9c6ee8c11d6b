// Compiling scripts through TRLM_AssignScript, in lines per second: a typical
// script of ten rules, ten thousand and a hundred thousand rules, fifty
// megabytes that are mostly long comment lines, and one line of ten million
// characters. Each must compile, in time that grows with its size.
#include <benchmark/benchmark.h>

#include "support.h"

namespace bench {

namespace {

std::size_t CountLines(const std::string& text) {
    std::size_t lines = 0;
    bool blank = true;
    for (char c : text) {
        if (c == '\n') {
            lines += blank ? 0 : 1;
            blank = true;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            blank = false;
        }
    }
    return lines + (blank ? 0 : 1);
}

// Ten thousand rules in the shapes the typical scripts use, with varied
// numbers and texts.
std::string ManyRules(std::size_t rules) {
    std::string s;
    for (std::size_t i = 0; i < rules; ++i) {
        const std::string n = std::to_string(i);
        s += "BEGIN_RULE\nBEGIN_CRITERIA\n    CODE_LIST(" + std::to_string(i % 50) + ", " + n + ")\n";
        switch (i % 4) {
        case 0: s += "    CODE_LENGTH(" + std::to_string(8 + i % 40) + ")\n"; break;
        case 1: s += "    WILDCARD_MATCH('01??????????????17??????10*&#x1D;21*')\n"; break;
        case 2: s += "    CODE_MATCH('LOC-" + n + "', 0)\n"; break;
        default: s += "    PROTOCOL_MATCH(" + std::to_string(i % 7) + ")\n"; break;
        }
        s += "END_CRITERIA\nBEGIN_ACTION\n";
        s += "    REPLACE_FIRST('" + n + "', 'item " + n + "')\n";
        s += "    PAD_SPACES(" + std::to_string(i % 5) + ")\n";
        s += "    APPEND('&#x0D;&#x0A;')\nEND_ACTION\nEND_RULE\n";
    }
    return s;
}

void Compile(benchmark::State& state, const std::string& script) {
    const std::u16string text = Widen(script);
    const HostId id = AppId(200);
    for (auto _ : state) {
        std::u16string work = text;  // the host's buffer: entities are undone in place
        if (!TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(work.data()))) {
            state.SkipWithError("the script did not compile");
            break;
        }
    }
    char16_t empty[1] = {0};
    TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(empty));
    const double lines = static_cast<double>(CountLines(script));
    state.counters["lines"] = lines;
    state.counters["lines/s"] = benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

void RegisterCompileBenchmarks() {
    benchmark::RegisterBenchmark("compile/typical_10_rules", [](benchmark::State& s) { Compile(s, Jobs()[2].script); });
    static const std::string many = ManyRules(10000);
    benchmark::RegisterBenchmark("compile/10000_rules", [](benchmark::State& s) {
        Compile(s, many);
    })->Unit(benchmark::kMillisecond);
    static const std::string hundredThousand = ManyRules(100000);
    static const std::string commented = [] {
        const std::string comment = "; " + std::string(1000, '-') + "\n";
        std::string s = ManyRules(1);
        while (s.size() < (50u << 20)) s += comment;
        return s + ManyRules(1);
    }();
    static const std::string longLine =
        "BEGIN_RULE\nBEGIN_ACTION\nAPPEND('" + std::string(10'000'000, 'z') + "')\nEND_ACTION\nEND_RULE\n";
    for (const auto& [name, script] :
         {std::pair{"compile/100000_rules", &hundredThousand}, std::pair{"compile/50_MB_mostly_comments", &commented},
          std::pair{"compile/10_million_character_line", &longLine}}) {
        benchmark::RegisterBenchmark(name, [script](benchmark::State& s) {
            Compile(s, *script);
        })->Unit(benchmark::kMillisecond);
    }
}

}  // namespace bench
