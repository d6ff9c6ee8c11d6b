// The learner on random jobs: a random script is run on random records, and
// the learner gets 2 to 6 of the cases. It must hand out a script that the
// engine passes on every one of them, or say it found none; never a failing
// script, never a crash. Most of the jobs must be learned. (What it learns
// for everyday jobs, word for word: tests/conformance/learn.)
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/host_id.h"
#include "common/human_output.h"
#include "common/session.h"
#include "common/text_encoding.h"
#include "learn/learner.h"

namespace trelmix {
namespace {

struct Dice {
    std::mt19937 rng;
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); }
    const char* Of(std::initializer_list<const char*> from) {
        return *(from.begin() + Below(static_cast<std::uint32_t>(from.size())));
    }
};

// A rule of the kinds authors write: a criterion or none, and a few edits.
std::string RandomRule(Dice& d, bool keyboard) {
    std::string s = "BEGIN_RULE\n";
    if (d.Below(4) == 0) s += "SET_RULESET(" + std::string(d.Of({"1", "2"})) + ")\n";
    s += "BEGIN_CRITERIA\n";
    switch (d.Below(6)) {
    case 0: s += "CODE_LIST(" + std::string(d.Of({"1", "3", "1, 3"})) + ")\n"; break;
    case 1: s += "CODE_LENGTH(" + std::to_string(2 + d.Below(4)) + ")\n"; break;
    case 2: s += "WILDCARD_MATCH('" + std::string(d.Of({"a*", "0*", "*-", "a?*", "a-0"})) + "')\n"; break;
    case 3: s += "CODE_MATCH('" + std::string(d.Of({"-", "a0", " "})) + "', " + d.Of({"0", "1"}) + ")\n"; break;
    case 4: s += "PROTOCOL_MATCH(1)\n"; break;
    default: break;
    }
    s += "END_CRITERIA\nBEGIN_ACTION\n";
    for (std::uint32_t n = 1 + d.Below(3); n > 0; --n) {
        switch (d.Below(keyboard ? 9 : 7)) {
        case 0: s += std::string(d.Of({"PREPEND('", "APPEND('"})) + d.Of({"X", "0", "; ", "&#x09;"}) + "')\n"; break;
        case 1:
            s += std::string(d.Of({"REPLACE_ALL('", "REPLACE_FIRST('"})) + d.Of({"-", "a", "00", " "}) + "', '" +
                 d.Of({"", "/", "b"}) + "')\n";
            break;
        case 2: s += "SKIP_AHEAD(" + std::to_string(1 + d.Below(3)) + ")\nINSERT('" + d.Of({":", "-"}) + "')\n"; break;
        case 3: s += d.Of({"REMOVE_SPACES\n", "CRUNCH_SPACES\n", "REMOVE_ZEROS\n", "SKIP_START\n"}); break;
        case 4:
            s += std::string(d.Of({"MOVE_AFTER('", "MOVE_BEFORE('"})) + d.Of({"-", "a"}) + "')\nINSERT('+')\n";
            break;
        case 5: s += std::string(d.Of({"PAD_SPACES(", "PAD_ZEROS(", "SKIP_BACK("})) + d.Of({"1", "2"}) + ")\n"; break;
        case 6: s += std::string(d.Of({"RULESET_OFF(", "RULESET_ON("})) + d.Of({"1", "2"}) + ")\n"; break;
        default:
            s += d.Of({"SEND_ALL\n", "SEND_EXTN('TAB')\n", "SEND_UNTIL('-')\nMOVE_AFTER('-')\nSEND_REM\n",
                       "SEND_FUNC(3)\n", "SEND_CTRL('s')\n"});
            break;
        }
    }
    return s + "END_ACTION\nEND_RULE\n";
}

std::vector<std::uint8_t> RandomRecord(Dice& d) {
    std::vector<std::uint8_t> r;
    const std::string alphabet = "aa00- b";
    for (std::uint32_t n = d.Below(7); n > 0; --n) r.push_back(static_cast<std::uint8_t>(alphabet[d.Below(7)]));
    return r;
}

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

TEST(Learn, RandomJobsAreLearnedRightOrRefused) {
    Dice d{std::mt19937(29)};
    int learned = 0;
    constexpr int kJobs = 40;
    for (int round = 0; round < kJobs; ++round) {
        learn::Job job;
        job.keyboard = d.Below(4) == 0;
        std::string reference;
        for (std::uint32_t n = 1 + d.Below(2); n > 0; --n) reference += RandomRule(d, job.keyboard);
        cli::Session session(job.keyboard ? KeyboardClientId : cli::kDefaultApplicationId, cli::HostOptions{});
        ASSERT_TRUE(session.Assign(cli::FromCommandLine(reference)).assigned) << reference;
        for (std::uint32_t n = 2 + d.Below(5); n > 0; --n) {
            learn::Example e;
            e.record = RandomRecord(d);
            e.codeType = d.Of({"0", "1", "3"})[0] - '0';
            e.protocol = d.Below(2);
            const cli::RecordResult r = session.Execute(e.record, e.codeType, e.protocol);
            e.status = r.status;
            e.result = r.bytes;
            e.output = cli::DescribeOutput(r.output);
            job.examples.push_back(e);
        }
        const learn::Learned got = learn::Learn(job);
        EXPECT_EQ(got.ok, Passes(job, got.script)) << "reference:\n" << reference << "learned:\n" << got.script;
        EXPECT_EQ(got.ok, got.failing.empty());
        learned += got.ok;
    }
    EXPECT_GE(learned, kJobs * 3 / 4);
}

learn::Example Case(const std::string& record, const std::string& result, std::uint32_t codeType = 0) {
    learn::Example e;
    e.record.assign(record.begin(), record.end());
    e.result.assign(result.begin(), result.end());
    e.codeType = codeType;
    return e;
}

// One record asked for two results: the closest list still explains the rest.
TEST(Learn, ClosestListLeavesOutOnlyWhatNoListExplains) {
    const learn::Learned got = learn::Learn(learn::Job{
        false, {Case("A1", "A1;"), Case("B2", "XB2", 3), Case("C3", "C3"), Case("A1", "A1,"), Case("D4", "XD4", 3)}});
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.failing, (std::vector<std::size_t>{0, 3})) << got.script;
}

}  // namespace
}  // namespace trelmix
