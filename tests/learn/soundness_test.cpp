// The learner on generated jobs: a script from the shared generator
// (tests/reference) is run on its records, and the learner gets the cases.
// It must hand out a script that the engine passes on every one of them, or
// say it found none; never a failing script, never a crash. Most of the jobs
// must be learned. (What it learns for everyday jobs, word for word:
// tests/conformance/learn.)
#include <gtest/gtest.h>

#include <string>

#include "common/host_id.h"
#include "common/human_output.h"
#include "common/session.h"
#include "common/text_encoding.h"
#include "generator.h"
#include "learn/learner.h"

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

TEST(Learn, GeneratedJobsAreLearnedRightOrRefused) {
    reference::Choices choices(29);
    int jobs = 0, learned = 0;
    for (int round = 0; round < 120; ++round) {
        const reference::GeneratedCase g = reference::GenerateCase(choices);
        learn::Job job;
        job.keyboard = g.keyboard;
        cli::Session session(job.keyboard ? KeyboardClientId : cli::kDefaultApplicationId, cli::HostOptions{});
        if (!session.Assign(cli::FromCommandLine(g.script)).assigned) continue;
        for (const std::string& record : g.records) {
            learn::Example e;
            e.record.assign(record.begin(), record.end());
            e.codeType = choices.Below(4);
            e.protocol = choices.Below(2);
            const cli::RecordResult r = session.Execute(e.record, e.codeType, e.protocol);
            e.status = r.status;
            e.result = r.bytes;
            e.output = cli::DescribeOutput(r.output);
            job.examples.push_back(e);
        }
        const learn::Learned got = learn::Learn(job);
        EXPECT_EQ(got.ok, Passes(job, got.script)) << "generated:\n" << g.script << "learned:\n" << got.script;
        EXPECT_EQ(got.ok, got.failing.empty());
        ++jobs;
        learned += got.ok;
    }
    EXPECT_GE(jobs, 60);
    EXPECT_GE(learned, jobs * 3 / 4);  // most are learned
}

}  // namespace
}  // namespace trelmix
