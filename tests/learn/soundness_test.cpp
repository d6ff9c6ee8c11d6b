// The learner on the shared generator's scripts (tests/reference) run on their records: a script the
// engine passes on every case, or none; never a failing script or a crash; most jobs learned; what it
// learns, notes and explains for them pinned by a hash (everyday jobs: conformance/learn and the docs).
#include <gtest/gtest.h>

#include <string>

#include "common/host_id.h"
#include "common/human_output.h"
#include "common/session.h"
#include "common/text_encoding.h"
#include "generator.h"
#include "learn/learner.h"
#include "pinned.h"

namespace trelmix {
namespace {

// What the engine gives for each example, in order, in one session.
bool Passes(const learn::Job& job, const std::string& script) {
    cli::Session session(job.keyboard ? KeyboardClientId : cli::kDefaultApplicationId, cli::HostOptions{});
    if (!session.Assign(cli::FromCommandLine(script)).assigned) return false;
    for (const learn::Example& e : job.examples) {
        const cli::RecordResult r = session.Execute(e.record, e.codeType, e.protocol);
        if (r.status != e.status || r.bytes != e.result || cli::DescribeOutput(r.output) != e.output) return false;
    }
    return true;
}

// A record as the engine answers it under the script the session holds.
learn::Example Observed(cli::Session& session, const std::string& record, std::uint32_t codeType,
                        std::uint32_t protocol) {
    learn::Example e;
    e.record.assign(record.begin(), record.end());
    e.codeType = codeType;
    e.protocol = protocol;
    const cli::RecordResult r = session.Execute(e.record, e.codeType, e.protocol);
    e.status = r.status;
    e.result = r.bytes;
    e.output = cli::DescribeOutput(r.output);
    return e;
}

// What a job gives: its script, notes and explanations; the script must pass.
std::string Told(const learn::Job& job, const learn::Learned& got) {
    EXPECT_EQ(got.ok, Passes(job, got.script)) << "learned:\n" << got.script;
    EXPECT_EQ(got.ok, got.failing.empty());
    std::string told = got.script;
    for (const std::string& line : got.notes) told += line + "\n";
    for (const std::string& line : got.explain) told += line + "\n";
    return told;
}

TEST(Learn, GeneratedJobsAreLearnedRightOrRefused) {
    reference::Choices choices(29);
    int jobs = 0, learned = 0;
    std::string told;  // every job's script, notes and explanations
    for (int round = 0; round < 480; ++round) {
        const reference::GeneratedCase g = reference::GenerateCase(choices);
        learn::Job job;
        job.keyboard = g.keyboard;
        cli::Session session(job.keyboard ? KeyboardClientId : cli::kDefaultApplicationId, cli::HostOptions{});
        if (!session.Assign(cli::FromCommandLine(g.script)).assigned) continue;
        for (const std::string& record : g.records) {
            const std::uint32_t code = choices.Below(4);
            job.examples.push_back(Observed(session, record, code, choices.Below(2)));
        }
        const learn::Learned got = learn::Learn(job);
        ++jobs;
        learned += got.ok;
        told += Told(job, got);
    }
    EXPECT_GE(jobs, 240);
    EXPECT_GE(learned, jobs * 3 / 4);  // most are learned
    reference::ExpectPinned(told, "trelmix_learned_jobs.txt", 15411903981386845853ull);

    // Small jobs of a few short records from two to four rules, where the
    // fewest rules and the cheapest tests are the ones a search can miss:
    // lengths, prefixes, ends, three of up to seven code types, the dock
    // scanner's protocol 2 (a record given by both scanners now and then).
    const char* const criteria[] = {"CODE_LENGTH(2)",
                                    "WILDCARD_MATCH('A*')",
                                    "WILDCARD_MATCH('*1')",
                                    "WILDCARD_MATCH('B?*')",
                                    "CODE_LIST(1, 2, 4)",
                                    "PROTOCOL_MATCH(2)",
                                    ""};
    const char* const actions[] = {"APPEND(';')", "PREPEND('#')", "REPLACE_ALL('-', '')", "APPEND('X')",
                                   "REPLACE_FIRST('A', 'Z')"};
    std::string small;
    for (int round = 0; round < 300; ++round) {
        std::string script;
        for (std::uint32_t n = 2 + choices.Below(3); n > 0; --n) {
            const std::string criterion = criteria[choices.Below(7)];
            script += "BEGIN_RULE\n" + (criterion.empty() ? "" : "BEGIN_CRITERIA\n" + criterion + "\nEND_CRITERIA\n") +
                      "BEGIN_ACTION\n" + actions[choices.Below(5)] + "\nEND_ACTION\nEND_RULE\n";
        }
        cli::Session session(cli::kDefaultApplicationId, cli::HostOptions{});
        ASSERT_TRUE(session.Assign(cli::FromCommandLine(script)).assigned) << script;
        learn::Job job;
        for (std::uint32_t n = 5 + choices.Below(5); n > 0; --n) {
            std::string record;
            for (std::uint32_t length = 1 + choices.Below(4); length > 0; --length) record += "AB1-"[choices.Below(4)];
            const std::uint32_t code = choices.Below(7), protocol = choices.OneIn(2) ? 2 : 0;
            job.examples.push_back(Observed(session, record, code, protocol));
            if (choices.OneIn(4)) job.examples.push_back(Observed(session, record, code, 2 - protocol));
        }
        small += Told(job, learn::Learn(job));
    }
    reference::ExpectPinned(small, "trelmix_learned_small_jobs.txt", 4796518323971146751ull);

    // Two modes that one ruleset serves: more cases than a search takes at once.
    learn::Job modes;
    for (int i = 0; i < 81; ++i) {
        const std::string r = i == 40 ? "MODE" : std::to_string(i), o = i == 40 ? "" : r + ";";
        modes.examples.push_back({{r.begin(), r.end()}, 0, 0, 1, {o.begin(), o.end()}, {}, "", 0});
    }
    EXPECT_TRUE(learn::Learn(modes).ok);
    // Eleven code types, each its own edit, and a record given both ways: the
    // closest script of this refused job stops at eight rules.
    learn::Job wide{false, {modes.examples[0]}};
    for (std::uint32_t i = 1; i < 12; ++i) {
        const std::string r = "R" + std::to_string(i), o = static_cast<char>('@' + i) + r;
        wide.examples.push_back({{r.begin(), r.end()}, i, 0, 1, {o.begin(), o.end()}, {}, "", 0});
    }
    wide.examples[0] = {wide.examples[1].record, 1, 0, 1, wide.examples[1].record, {}, "", 0};
    EXPECT_EQ(learn::Learn(wide).failing.size(), 3u);

    // Fields split by a byte that SEND_UNTIL cannot write between its quotes.
    for (const char split : {'\'', '\\', '\r'}) {
        const std::string r = std::string("AB") + split + "C";
        const learn::Example e{{r.begin(), r.end()},           0,  0, 1, {r.begin(), r.end()},
                               {"typed \"AB\"", "tapped Tab"}, "", 0};
        EXPECT_TRUE(learn::Learn({true, {e}}).ok) << split;
    }
    // A typed text that is no record (a bad escape), a pause of no whole second: nothing sends them.
    for (const char* line : {"typed \"\\q\"", "slept 1500 ms"})
        EXPECT_EQ(learn::Learn({true, {{{'A'}, 0, 0, 1, {'A'}, {line}, "", 0}}}).script.find("SEND_"),
                  std::string::npos);
}

}  // namespace
}  // namespace trelmix
