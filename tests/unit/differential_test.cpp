// The library against the reference engine (tests/reference/): scripts for
// the paths random ones seldom take, then random scripts on random records. Every
// observable must agree: status, length, the caller's whole buffer, keys,
// typed text and pauses, ruleset switches.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "differential.h"
#include "generator.h"
#include "host/run_observer.h"
#include "keyboard/transmit.h"
#include "support.h"

namespace trelmix {
namespace {

using reference::Differential;

// Runs every record with several capacities, guarded and not, each code type
// in `codes`; the ruleset switches carry over from record to record.
void Agree(const std::string& script, const std::vector<std::string>& records, bool keyboard = false,
           std::initializer_list<std::uint32_t> codes = {0, 8, 15}) {
    platform::ScopedRecording scope;
    test::Installed<SetTransmitObject> transmit(keyboard ? &scope.recording.transmit : nullptr);
    Differential both(scope.recording, test::U16(script), keyboard);
    ASSERT_EQ(both.assignment(), "") << script;
    for (const std::string& r : records) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(r.data());
        const auto n = static_cast<std::uint32_t>(r.size());
        for (std::uint32_t code : codes) {
            for (std::uint32_t extra : {0u, 3u, 64u}) {
                for (bool guarded : {true, false}) {
                    ASSERT_EQ(both.Run(bytes, n, n + extra, guarded, code, code % 4), "")
                        << script << "\nrecord '" << r << "' code " << code << " capacity +" << extra;
                }
            }
        }
    }
}

// Edits that run as one forward pass, with the cursor moved between them,
// on the path a host's calls take; a rule alone in a ruleset that is never on.
TEST(Differential, ForwardRunsAndRulesetsOutOfRange) {
    Agree(test::OneRule("CODE_LIST(0)", "INSERT('x')\nMOVE_AFTER('B')\nINSERT('|')") +
              test::OneRule("CODE_LIST(8)", "REPLACE_FIRST('a', 'A')\nMOVE_BEFORE('-')\nAPPEND('!')\nINSERT('<')") +
              test::OneRule("", "INSERT('(')\nSKIP_AHEAD(2)\nMOVE_AFTER('0')\nREPLACE_FIRST('0', '')\nAPPEND(')')"),
          {"ABC", "a-b-c", "000123", "LOC-AB-CDE-12", ""});
    Agree("BEGIN_RULE\nSET_RULESET(32)\nBEGIN_ACTION\nAPPEND('!')\nEND_ACTION\nEND_RULE\n", {"ABC", ""});
}

// So many code types times rules without a code list that the script runs
// rule by rule, each code list tested as the rule is reached.
TEST(Differential, ScriptTooLargeForTheRuleIndex) {
    std::string script;
    for (int i = 0; i < 1100; ++i) {
        script += test::OneRule("CODE_LIST(" + std::to_string(100 + i) + ", " + std::to_string(8 - i % 2) + ")",
                                "APPEND('" + std::to_string(i % 7) + "')") +
                  test::OneRule("CODE_MATCH('b', 0)", "SKIP_START");
    }
    Agree(script, {"a", "b"}, false, {7, 8, 15, 1099});
}

// Hears every step and checks that each view of the record is whole.
class Listener final : public RunObserver {
public:
    void RunStarted(const Program&, const RecordView& r) override { Look(r); }
    void RuleReached(std::uint32_t, RuleFate, Clause, WildcardStop, const RecordView& r) override { Look(r); }
    void ActionDone(std::uint32_t, std::uint32_t, const RecordView& r) override { Look(r); }
    void RunEnded(const RunEnd&) override {}
    std::uint64_t sum = 0;

private:
    void Look(const RecordView& r) {
        for (std::int32_t i = 0; i < r.length; ++i) sum += r.bytes[i];
    }
};

// Half the rounds run observed: the path that reports each step must give
// what the library's own path gives.
TEST(Differential, GeneratedScriptsOnGeneratedRecords) {
    reference::Choices choices(15);
    platform::ScopedRecording scope;
    test::Installed<SetTransmitObject> transmit(&scope.recording.transmit);
    Listener listener;
    for (int round = 0; round < 4000; ++round) {
        test::Installed<SetRunObserver> observed(round % 4 < 2 ? &listener : nullptr);
        const reference::GeneratedCase g = reference::GenerateCase(choices);
        Differential both(scope.recording, test::U16(g.script), g.keyboard);
        ASSERT_EQ(both.assignment(), "") << g.script;
        for (int n = 0; n < 12; ++n) {
            const std::string record = g.records[static_cast<std::size_t>(n) % g.records.size()];
            const auto length = static_cast<std::uint32_t>(record.size());
            const std::uint32_t code = choices.Below(4);
            ASSERT_EQ(both.Run(reinterpret_cast<const std::uint8_t*>(record.data()), length, length + choices.Below(6),
                               choices.Below(4) != 0, code, choices.Below(2)),
                      "")
                << g.script << "\nrecord '" << record << "' code " << code;
        }
    }
}

// ---- every engine agrees ---------------------------------------------------
// Generated cases through `run --jsonl` of each engine built: this build's
// command, the WebAssembly engine's node command (build/web) and the shipped
// DLL in trelmix-x86, whose answers carry no trace. The first difference is
// shown shrunk (lines of the script, then bytes of the record dropped while
// the engines still differ).

struct Engine {
    std::string name;
    std::string command;  // a shell command line before `run`
    bool traces = true;
};

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

// The engines of tests/engines.cmake whose files are built, from its lines
// "NAME|NEEDS|TRACES|COMMAND".
std::vector<Engine> BuiltEngines() {
    std::vector<Engine> engines;
    std::istringstream lines(TRELMIX_ENGINES);
    for (std::string line; std::getline(lines, line);) {
        std::string name, needs, traces, command;
        std::istringstream fields(line);
        std::getline(std::getline(std::getline(std::getline(fields, name, '|'), needs, '|'), traces, '|'), command);
        if (needs.empty() || std::filesystem::exists(needs)) engines.push_back({name, command, traces == "ON"});
    }
    return engines;
}

std::string JsonString(std::string_view bytes) {
    std::string s = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            s += '\\', s += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char u[8];
            std::snprintf(u, sizeof u, "\\u%04X", c);
            s += u;
        } else {
            s += static_cast<char>(c);
        }
    }
    return s + "\"";
}

struct Request {
    std::string record;
    std::uint32_t code = 0, protocol = 0;
};

struct EngineCase {
    std::string script;
    std::vector<Request> requests;
};

std::string Requests(const EngineCase& c) {
    std::string lines = "{\"assign\": " + JsonString(c.script) + "}\n";
    for (const Request& r : c.requests) {
        std::string hex;
        for (unsigned char b : r.record) hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
        lines += "{\"hex\": \"" + hex + "\", \"code_type\": " + std::to_string(r.code) +
                 ", \"protocol\": " + std::to_string(r.protocol) + ", \"explain\": true}\n";
    }
    return lines;
}

// The answer lines of one engine to every case's lines; an engine without
// traces is sent the records without "explain".
std::vector<std::string> Answers(const Engine& e, const std::vector<EngineCase>& cases, bool keyboard) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string in = (dir / ("trelmix-engines-" + std::to_string(getpid()) + ".in")).string();
    const std::string out = in + ".out";
    {
        std::ofstream f(in, std::ios::binary);
        for (const EngineCase& c : cases) {
            std::string lines = Requests(c);
            if (!e.traces) {
                for (std::size_t at; (at = lines.find(", \"explain\": true")) != std::string::npos;)
                    lines.erase(at, 17);
            }
            f << lines;
        }
    }
    const std::string command = e.command + " run --jsonl" + (keyboard ? " --keyboard" : "") + " -- '' <'" + in +
                                "' >'" + out + "' 2>/dev/null";
    (void)std::system(command.c_str());
    std::vector<std::string> lines;
    std::ifstream f(out, std::ios::binary);
    for (std::string line; std::getline(f, line);) lines.push_back(line);
    std::filesystem::remove(in), std::filesystem::remove(out);
    if (!lines.empty()) lines.erase(lines.begin());  // the assignment of ''
    return lines;
}

std::string WithoutTrace(std::string answer) {
    const std::size_t at = answer.find(", \"trace\": ");
    if (at != std::string::npos) answer.erase(at, answer.size() - 1 - at);
    return answer;
}

// The first line where two engines' answers differ, or -1.
long FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b, bool traces) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size()) return static_cast<long>(i);
        if (traces ? a[i] != b[i] : WithoutTrace(a[i]) != WithoutTrace(b[i])) return static_cast<long>(i);
    }
    return -1;
}

bool Differ(const Engine& a, const Engine& b, const EngineCase& c, bool keyboard) {
    return FirstDifference(Answers(a, {c}, keyboard), Answers(b, {c}, keyboard), a.traces && b.traces) >= 0;
}

// Drops script lines, then record bytes, while the engines still differ.
EngineCase Shrink(const Engine& a, const Engine& b, EngineCase c, bool keyboard) {
    for (int budget = 200; budget > 0;) {
        bool smaller = false;
        for (std::size_t from = 0; budget > 0;) {
            const std::size_t end = c.script.find('\n', from);
            if (end == std::string::npos) break;
            EngineCase t = c;
            t.script.erase(from, end - from + 1);
            --budget;
            if (Differ(a, b, t, keyboard)) {
                c = t, smaller = true;
            } else {
                from = end + 1;
            }
        }
        for (std::size_t i = 0; budget > 0 && i < c.requests[0].record.size();) {
            EngineCase t = c;
            t.requests[0].record.erase(i, 1);
            --budget;
            if (Differ(a, b, t, keyboard)) {
                c = t, smaller = true;
            } else {
                ++i;
            }
        }
        if (!smaller) break;
    }
    return c;
}

TEST(Engines, AgreeOnGeneratedCases) {
    const std::vector<Engine> engines = BuiltEngines();
    // TRELMIX_REQUIRE_ENGINES names the engines that must take part (make
    // test: the ones it builds first), so that a build that went missing fails.
    std::istringstream required(Env("TRELMIX_REQUIRE_ENGINES", ""));
    for (std::string name; required >> name;) {
        EXPECT_TRUE(std::any_of(engines.begin(), engines.end(), [&](const Engine& e) { return e.name == name; }))
            << "the " << name << " engine is not built";
    }
    if (engines.size() < 2) {
        GTEST_SKIP() << "neither build/web nor the windows-x86 DLL is built";
    }
    const int count = std::atoi(Env("TRELMIX_ENGINE_CASES", "300").c_str());
    reference::Choices choices(std::strtoull(Env("TRELMIX_ENGINE_SEED", "25").c_str(), nullptr, 10));
    std::vector<EngineCase> cases[2];
    for (int n = 0; n < count; ++n) {
        const reference::GeneratedCase g = reference::GenerateCase(choices);
        EngineCase c{g.script, {}};
        for (const std::string& r : g.records) c.requests.push_back({r, choices.Below(16), choices.Below(3)});
        cases[g.keyboard].push_back(std::move(c));
    }
    for (bool keyboard : {false, true}) {
        const std::vector<std::string> native = Answers(engines[0], cases[keyboard], keyboard);
        std::size_t lines = 0;
        for (const EngineCase& c : cases[keyboard]) lines += 1 + c.requests.size();
        ASSERT_EQ(native.size(), lines) << "the native command did not answer every line";
        for (std::size_t e = 1; e < engines.size(); ++e) {
            const long at = FirstDifference(native, Answers(engines[e], cases[keyboard], keyboard), engines[e].traces);
            if (at < 0) continue;
            // The case holding that line, with the differing record first.
            std::size_t line = 0;
            for (const EngineCase& c : cases[keyboard]) {
                if (static_cast<std::size_t>(at) >= line + 1 + c.requests.size()) {
                    line += 1 + c.requests.size();
                    continue;
                }
                EngineCase one = c;
                if (static_cast<std::size_t>(at) > line)
                    std::swap(one.requests[0], one.requests[static_cast<std::size_t>(at) - line - 1]);
                one.requests.resize(1);
                if (Differ(engines[0], engines[e], one, keyboard)) one = Shrink(engines[0], engines[e], one, keyboard);
                const auto a = Answers(engines[0], {one}, keyboard), b = Answers(engines[e], {one}, keyboard);
                ADD_FAILURE() << "native and " << engines[e].name << " differ" << (keyboard ? " (keyboard)" : "")
                              << "; the requests:\n"
                              << Requests(one) << "native:\n"
                              << (a.size() > 1 ? a[1] : "(nothing)") << "\n"
                              << engines[e].name << ":\n"
                              << (b.size() > 1 ? b[1] : "(nothing)");
                break;
            }
        }
    }
}

}  // namespace
}  // namespace trelmix
