// trelmix_bench: the engine's benchmarks, and a summary table at the end.
//
// Before timing anything it checks that Trelmix, the hand-written floor, Lua
// and node give identical output on every record of every job, then times
// the JavaScript peers in node (bench/peers/peers.js), then runs the Google
// Benchmark suite. Options besides Google Benchmark's own:
//   --node=PATH      the node binary (default: node on the PATH)
//   --no-node        skip the JavaScript peers
//   --passes=JOB:IMPL:N  no benchmarks: run job JOB with IMPL (trelmix,
//                    trelmix500: each record through the next of 500
//                    clients, floor, lua) N times over its records and
//                    exit, for instruction counts under valgrind
//                    (bench/callgrind.sh)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"

namespace bench {
void RegisterCompileBenchmarks();
void RegisterJobBenchmarks();
void RegisterScalingBenchmarks();
void RegisterToolBenchmarks();
}  // namespace bench

using namespace bench;

namespace {

// ---- identical output --------------------------------------------------------------

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

using Outputs = std::vector<std::vector<std::string>>;  // per job, per record: Trelmix's output

// Runs every record through Trelmix, the floor and Lua; false on any difference.
bool CheckIdentical(Outputs& trelmixOutputs) {
    bool same = true;
    LuaPeer& lua = Lua();
    if (!lua.ok()) std::cerr << "Lua peers not loaded: " << lua.error << "\n";
    for (const Job& job : Jobs()) {
        Client client(job.script);
        if (!client.assigned()) {
            std::cerr << "job " << job.name << ": the script does not compile\n";
            return false;
        }
        const int function = lua.Function(job.name);
        auto& outputs = trelmixOutputs.emplace_back();
        std::vector<std::uint8_t> buffer(kHostCapacity);
        for (const Record& r : job.records) {
            const auto n = static_cast<std::uint32_t>(r.bytes.size());
            auto take = [&](std::uint32_t length) { return std::string(buffer.begin(), buffer.begin() + length); };
            std::memcpy(buffer.data(), r.bytes.data(), n);
            const ExecuteResult result = client.Run(buffer.data(), n, kHostCapacity, r.codeType, r.protocol);
            const std::string trelmix = take(result.length);
            std::memcpy(buffer.data(), r.bytes.data(), n);
            const std::string floor = take(job.floor(buffer.data(), n, kHostCapacity, r.codeType, r.protocol));
            std::string viaLua = "(no Lua)";
            if (function >= 0) {
                std::memcpy(buffer.data(), r.bytes.data(), n);
                viaLua = take(lua.Run(function, buffer.data(), n, kHostCapacity, r.codeType, r.protocol));
            }
            if (result.status != TRLM_STATUS_APPLIED || trelmix != floor || trelmix != viaLua) {
                std::cerr << "job " << job.name << ": outputs differ for '" << Printable(r.bytes) << "' (code "
                          << r.codeType << "): trelmix '" << Printable(trelmix) << "' status " << result.status
                          << ", floor '" << Printable(floor) << "', lua '" << Printable(viaLua) << "'\n";
                same = false;
                break;
            }
            outputs.push_back(trelmix);
        }
    }
    return same;
}

// ---- node ----------------------------------------------------------------------------

void WriteBytes(std::ostream& out, const std::string& s) {
    out << '[';
    for (std::size_t i = 0; i < s.size(); ++i)
        out << (i ? "," : "") << static_cast<unsigned>(static_cast<unsigned char>(s[i]));
    out << ']';
}

std::string WriteJobsFile(const Outputs& outputs) {
    const auto path = std::filesystem::temp_directory_path() / "trelmix-bench-jobs.json";
    std::ofstream out(path);
    out << "{\"jobs\":[";
    for (std::size_t j = 0; j < Jobs().size(); ++j) {
        const Job& job = Jobs()[j];
        out << (j ? "," : "") << "{\"name\":\"" << job.name << "\",\"records\":[";
        for (std::size_t i = 0; i < job.records.size(); ++i) {
            const Record& r = job.records[i];
            out << (i ? "," : "") << '[' << r.codeType << ',' << r.protocol << ',';
            WriteBytes(out, r.bytes);
            out << ',';
            WriteBytes(out, outputs[j][i]);
            out << ']';
        }
        out << "]}";
    }
    out << "]}\n";
    return path.string();
}

void RunNode(const std::string& node, const Outputs& outputs) {
    const std::string jobs = WriteJobsFile(outputs);
    const std::string command = node + " '" + PeersDir() + "/peers.js' '" + jobs + "' 2>&1";
    std::cout << "Timing the JavaScript peers: " << command << std::endl;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        NodeStatus() = "could not start " + node;
        return;
    }
    std::string output;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) output += line;
    const int status = pclose(pipe);
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::istringstream words(text);
        std::string tag, job;
        double ns = 0;
        if (words >> tag >> job >> ns && (tag == "node" || tag == "node_bytes")) NodeResults()[tag + "/" + job] = ns;
    }
    if (status != 0) {
        NodeStatus() = "node failed (is nodejs installed? scripts/deps.sh bench): " + output;
    } else {
        NodeStatus() = "ok";
    }
    if (!output.empty() && status != 0) std::cerr << output;
}

// ---- instruction counts ------------------------------------------------------------

int Passes(const std::string& what) {
    const auto a = what.find(':'), b = what.rfind(':');
    if (a == std::string::npos || a == b) return 2;
    const std::string name = what.substr(0, a), impl = what.substr(a + 1, b - a - 1);
    const long passes = std::atol(what.c_str() + b + 1);
    const Job* job = nullptr;
    for (const Job& j : Jobs()) {
        if (j.name == name) job = &j;
    }
    if (!job) return 2;
    enum { kTrelmix, kTrelmix500, kFloor, kLua } kind;  // decided once: no string compare per record
    if (impl == "trelmix")
        kind = kTrelmix;
    else if (impl == "trelmix500")
        kind = kTrelmix500;
    else if (impl == "floor")
        kind = kFloor;
    else if (impl == "lua")
        kind = kLua;
    else
        return 2;
    Client client(job->script);
    // trelmix500: 500 more clients with the same script, each record run
    // through the next one, so that no lookup finds the id it found last.
    std::vector<std::unique_ptr<Client>> others;
    for (std::uint32_t i = 0; kind == kTrelmix500 && i < 500; ++i) {
        others.push_back(std::make_unique<Client>(job->script, false, 1000 + i));
    }
    std::size_t turn = 0;
    const int function = kind == kLua ? Lua().Function(name) : -1;
    std::vector<std::uint8_t> buffer(kHostCapacity);
    std::uint64_t sink = 0;
    // One pass more than asked, always: with 0 passes the count holds the
    // first run of every record and client too, so that the difference is
    // the steady state.
    for (long p = -1; p < passes; ++p) {
        for (const Record& r : job->records) {
            const auto n = static_cast<std::uint32_t>(r.bytes.size());
            std::memcpy(buffer.data(), r.bytes.data(), n);
            switch (kind) {
            case kTrelmix: sink += client.Run(buffer.data(), n, kHostCapacity, r.codeType, r.protocol).length; break;
            case kTrelmix500:
                sink +=
                    others[turn++ % others.size()]->Run(buffer.data(), n, kHostCapacity, r.codeType, r.protocol).length;
                break;
            case kFloor: sink += job->floor(buffer.data(), n, kHostCapacity, r.codeType, r.protocol); break;
            case kLua: sink += Lua().Run(function, buffer.data(), n, kHostCapacity, r.codeType, r.protocol); break;
            }
        }
    }
    std::printf("records %zu sink %llu\n", job->records.size(), static_cast<unsigned long long>(sink));
    return 0;
}

// ---- the summary ---------------------------------------------------------------------

struct Result {
    double ns = 0;  // real time per iteration
    std::map<std::string, double> counters;
    std::string bigO;
    std::string error;
};

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Result> results;  // by run name; the median when repeated

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred) results[name].error = run.error_message;
            if (median || single) {
                Result& r = results[name];
                r.ns = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
                for (const auto& [key, counter] : run.counters) r.counters[key] = counter.value;
            }
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "BigO") {
                results[name].bigO = run.complexity == benchmark::oN ? "O(N)" : "other";
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string Time(double ns) {
    char s[32];
    if (ns < 1e3) {
        std::snprintf(s, sizeof s, "%.1f ns", ns);
    } else if (ns < 1e6) {
        std::snprintf(s, sizeof s, "%.2f us", ns / 1e3);
    } else {
        std::snprintf(s, sizeof s, "%.2f ms", ns / 1e6);
    }
    return s;
}

const Result* Find(const SummaryReporter& r, const std::string& name) {
    auto it = r.results.find(name);
    return it == r.results.end() || !it->second.error.empty() || it->second.ns == 0 ? nullptr : &it->second;
}

double PerRecord(const Result& r) {
    auto it = r.counters.find("records");
    return it == r.counters.end() || it->second == 0 ? r.ns : r.ns / it->second;
}

void PrintSummary(const SummaryReporter& rep) {
    std::printf("\n==== Trelmix benchmark summary ====\n\n");

    std::printf("compile (TRLM_AssignScript)        time/script   lines     lines/s\n");
    for (const char* name : {"compile/typical_10_rules", "compile/10000_rules"}) {
        if (const Result* r = Find(rep, name)) {
            const double lines = r->counters.count("lines") ? r->counters.at("lines") : 0;
            std::printf("  %-32s %12s %7.0f %9.2f M\n", name + 8, Time(r->ns).c_str(), lines, lines / r->ns * 1e3);
        }
    }

    std::printf("\nexecute (TRLM_ExecuteInto)         ns/record   floor ns   x floor  allocs/record\n");
    for (const std::string prefix :
         {"job/gs1", "job/items", "job/routing", "execute/routing_20B", "execute/routing_50B", "execute/routing_100B",
          "execute/routing_200B", "execute/routing_50B_500_clients"}) {
        const Result* t = Find(rep, prefix + "/trelmix");
        const Result* f = Find(rep, prefix + "/floor");
        if (!t) continue;
        std::printf("  %-32s %9.1f %10.1f %9.2f %10.2f\n", prefix.c_str(), PerRecord(*t), f ? PerRecord(*f) : 0.0,
                    f ? PerRecord(*t) / PerRecord(*f) : 0.0,
                    t->counters.count("allocs/rec") ? t->counters.at("allocs/rec") : 0);
    }
    if (const Result* k = Find(rep, "execute/keyboard/trelmix")) {
        std::printf("  %-32s %9.1f   keys/record %.1f, allocations/key %.3f, allocs/record %.2f\n",
                    "keyboard script (no-op emulator)", PerRecord(*k), k->counters.at("keys/rec"),
                    k->counters.at("allocs/key"), k->counters.at("allocs/rec"));
    } else if (rep.results.count("execute/keyboard/trelmix")) {
        std::printf("  keyboard script: skipped (%s)\n", rep.results.at("execute/keyboard/trelmix").error.c_str());
    }

    std::printf("\nscaling (one run on a record of N)    1 KiB      64 KiB   64K/1K  fit\n");
    for (const char* name : {"replace_all", "remove_spaces", "crunch_spaces", "code_match", "wildcard_match",
                             "move_after", "code_match_aaab"}) {
        const std::string base = std::string("scaling/") + name;
        const Result* small = Find(rep, base + "/1024");
        const Result* large = Find(rep, base + "/65536");
        if (!small || !large) continue;
        const auto fit = rep.results.find(base);
        std::printf("  %-32s %10s %10s %7.1f  %s\n", name, Time(small->ns).c_str(), Time(large->ns).c_str(),
                    large->ns / small->ns, fit == rep.results.end() ? "" : fit->second.bigO.c_str());
    }

    std::printf("\nscaling of the command (N rules)       1,000     10,000   10K/1K  fit\n");
    for (const char* name : {"explain", "test"}) {
        const std::string base = std::string("scaling_tools/") + name;
        const Result* small = Find(rep, base + "/1000");
        const Result* large = Find(rep, base + "/10000");
        if (!small || !large) continue;
        const auto fit = rep.results.find(base);
        std::printf("  %-32s %10s %10s %7.1f  %s\n", name, Time(small->ns).c_str(), Time(large->ns).c_str(),
                    large->ns / small->ns, fit == rep.results.end() ? "" : fit->second.bigO.c_str());
    }

    std::printf(
        "\npeers, ns per record (same records, identical output checked; node: the function on\n"
        "strings; node+bytes: record taken from bytes, result written back as bytes)\n");
    std::printf("  %-8s %8s %8s %8s %8s %10s   %7s %7s %7s %7s\n", "job", "floor", "trelmix", "lua", "node",
                "node+bytes", "T/floor", "lua/T", "node/T", "n+b/T");
    for (const Job& job : Jobs()) {
        const Result* f = Find(rep, "job/" + job.name + "/floor");
        const Result* t = Find(rep, "job/" + job.name + "/trelmix");
        const Result* l = Find(rep, "job/" + job.name + "/lua");
        if (!f || !t) continue;
        const double tn = PerRecord(*t);
        const auto nodeTime = [&](const std::string& tag) {
            const auto it = NodeResults().find(tag + "/" + job.name);
            return it == NodeResults().end() ? 0.0 : it->second;
        };
        const double nn = nodeTime("node"), nb = nodeTime("node_bytes");
        std::printf("  %-8s %8.1f %8.1f %8.1f %8.1f %10.1f   %7.2f %7.2f %7.2f %7.2f\n", job.name.c_str(),
                    PerRecord(*f), tn, l ? PerRecord(*l) : 0.0, nn, nb, tn / PerRecord(*f),
                    l ? PerRecord(*l) / tn : 0.0, nn / tn, nb / tn);
    }
    if (NodeStatus() != "ok") std::printf("  node: %s\n", NodeStatus().c_str());
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string node = "node";
    bool runNode = true;
    std::string passes;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--node=", 0) == 0) {
            node = a.substr(7);
        } else if (a == "--no-node") {
            runNode = false;
        } else if (a.rfind("--passes=", 0) == 0) {
            passes = a.substr(9);
        } else {
            rest.push_back(argv[i]);
        }
    }
    trelmix::platform::Install(&Quiet());
    if (!passes.empty()) return Passes(passes);

    Outputs outputs;
    if (!CheckIdentical(outputs)) {
        std::cerr << "The implementations disagree; nothing timed.\n";
        return 1;
    }
    std::cout << "Trelmix, the floor and Lua give identical output on every record." << std::endl;
    if (runNode) {
        RunNode(node, outputs);
    } else {
        NodeStatus() = "skipped (--no-node)";
    }

    RegisterCompileBenchmarks();
    RegisterJobBenchmarks();
    RegisterScalingBenchmarks();
#if defined(TRELMIX_BENCH_TOOLS)
    RegisterToolBenchmarks();
#endif
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    trelmix::platform::Install(nullptr);
    return 0;
}
