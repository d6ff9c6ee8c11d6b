// Actions and criteria on records from 1 KiB to 64 KiB: each must stay linear
// in the record's length (64 KiB at most about 64 times 1 KiB).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "support.h"

namespace bench {

namespace {

struct Case {
    const char* name;
    std::string script;
    // The record of n bytes, and the edited length the script must give.
    std::string (*make)(std::size_t n);
    std::size_t (*expected)(std::size_t n);
};

std::string Repeat(const char* unit, std::size_t n) {
    std::string s;
    while (s.size() < n) s += unit;
    s.resize(n);
    return s;
}

// Mixed-case words: the first byte of the searched texts occurs often.
std::string Words(std::size_t n) {
    std::mt19937 rng(static_cast<std::uint32_t>(n));
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string s;
    while (s.size() < n) {
        if (!s.empty()) s += ' ';
        for (std::uint32_t k = 2 + rng() % 8; k > 0; --k) s += letters[rng() % 52];
    }
    s.resize(n);
    return s;
}

std::string WithEnd(std::string s, const std::string& end) {
    s.replace(s.size() - end.size(), end.size(), end);
    return s;
}

std::string OneRule(const std::string& criteria, const std::string& actions) {
    std::string s = "BEGIN_RULE\n";
    if (!criteria.empty()) s += "BEGIN_CRITERIA\n" + criteria + "\nEND_CRITERIA\n";
    return s + "BEGIN_ACTION\n" + actions + "\nEND_ACTION\nEND_RULE\n";
}

const std::string kAdversarial = std::string(63, 'a') + "b";

const Case kCases[] = {
    {"replace_all", OneRule("", "REPLACE_ALL(',', ' | ')"), [](std::size_t n) { return Repeat("abc,", n); },
     [](std::size_t n) { return n + n / 4 * 2; }},
    {"remove_spaces", OneRule("", "REMOVE_SPACES"), [](std::size_t n) { return Repeat("ab c", n); },
     [](std::size_t n) { return n - n / 4; }},
    {"crunch_spaces", OneRule("", "CRUNCH_SPACES"), [](std::size_t n) { return Repeat("abcd    ", n); },
     [](std::size_t n) { return n - n / 8 * 3; }},
    {"code_match", OneRule("CODE_MATCH('NEEDLE', 0)", "APPEND('!')"),
     [](std::size_t n) { return WithEnd(Words(n), " NEEDLE"); }, [](std::size_t n) { return n + 1; }},
    {"wildcard_match", OneRule("WILDCARD_MATCH('AB*NEEDLE?')", "APPEND('!')"),
     [](std::size_t n) { return WithEnd("AB" + Words(n - 2), " NEEDLEx"); }, [](std::size_t n) { return n + 1; }},
    {"move_after", OneRule("", "MOVE_AFTER('NEEDLE')\nINSERT('|')"),
     [](std::size_t n) { return WithEnd(Words(n), " NEEDLE tail"); }, [](std::size_t n) { return n + 1; }},
    // 63 a's and a b searched in a record of a's: every offset matches 63
    // bytes before it fails.
    {"code_match_aaab", OneRule("CODE_MATCH('" + kAdversarial + "', 0)", "APPEND('!')"),
     [](std::size_t n) { return std::string(n, 'a'); }, [](std::size_t n) { return n; }},
};

void Scaling(benchmark::State& state, const Case& c) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Client client(c.script);
    if (!client.assigned()) {
        state.SkipWithError("the script did not compile");
        return;
    }
    const std::string record = c.make(n);
    const auto capacity = static_cast<std::uint32_t>(2 * n + 64);
    std::vector<std::uint8_t> buffer(capacity);
    std::memcpy(buffer.data(), record.data(), n);
    const ExecuteResult check = client.Run(buffer.data(), static_cast<std::uint32_t>(n), capacity, 0, 0);
    if (check.status != TRLM_STATUS_APPLIED || check.length != c.expected(n)) {
        state.SkipWithError("the script did not give the expected length");
        return;
    }
    for (auto _ : state) {
        std::memcpy(buffer.data(), record.data(), n);
        benchmark::DoNotOptimize(client.Run(buffer.data(), static_cast<std::uint32_t>(n), capacity, 0, 0));
        benchmark::ClobberMemory();
    }
    state.SetComplexityN(static_cast<std::int64_t>(n));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(n));
}

}  // namespace

void RegisterScalingBenchmarks() {
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark((std::string("scaling/") + c.name).c_str(),
                                     [&c](benchmark::State& s) { Scaling(s, c); })
            ->RangeMultiplier(4)
            ->Range(1 << 10, 1 << 16)
            ->Complexity(benchmark::oN)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace bench
