// The shared generator's scripts (tests/reference) through `check`, as text
// and as JSON lines, and their records through `run --explain`, in words and
// as JSON: every diagnostic's place, range, hint and fix and every trace
// pinned by a hash (the everyday scripts: conformance/check and explain).
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "check/check.h"
#include "common/host_id.h"
#include "common/record_escapes.h"
#include "generator.h"
#include "pinned.h"
#include "run/run.h"

namespace trelmix::cli {
namespace {

TEST(Generated, ScriptsAreCheckedAndExplainedAsPinned) {
    reference::Choices choices(37);
    std::string told;
    for (int round = 0; round < 600; ++round) {
        const reference::GeneratedCase g = reference::GenerateCase(choices);
        const HostId id = g.keyboard ? KeyboardClientId : kDefaultApplicationId;
        for (const bool jsonl : {false, true}) {
            std::istringstream in;
            std::ostringstream out, err;
            CheckOptions check;
            check.id = id;
            check.idGiven = true;
            check.text = true;
            check.jsonl = jsonl;
            check.scripts = {g.script};
            told += std::to_string(CheckCommand(check, {in, out, err}));
            told += out.str() + err.str();
            RunOptions run;
            run.id = id;
            run.text = true;
            run.explain = true;
            run.jsonl = jsonl;
            run.script = g.script;
            for (const std::string& r : g.records) {
                run.records.push_back(EscapeBytes(reinterpret_cast<const std::uint8_t*>(r.data()), r.size()));
            }
            out.str("");
            err.str("");
            told += std::to_string(RunCommand(run, {in, out, err}));
            told += out.str() + err.str();
        }
    }
    reference::ExpectPinned(told, "trelmix_generated_scripts.txt", 18289283022278577632ull);
}

}  // namespace
}  // namespace trelmix::cli
