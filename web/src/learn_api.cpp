// The playground's Learn mode: `trelmix learn` from the same code. One entry
// point takes the cases in the words of a test file (records, the result each
// must give, --code-type/--protocol lines, --keyboard and the typed and
// pressed lines under each case) and answers JSON:
//   {"ok", "script", "notes": [...], "explain": [...],
//    "failing": [{"line", "record", "wanted", "got"}]}
// or {"error"} for cases it cannot read. "ok" false: no script explains every
// case, "script" is the closest one and "failing" the cases it gets wrong,
// each as the test file writes an expectation (and its output lines after).
// The returned string stays valid until the next call.
#include <nlohmann/json.hpp>
#include <string>

#include "common/host_id.h"
#include "common/human_output.h"
#include "common/record_escapes.h"
#include "common/session.h"
#include "common/text_encoding.h"
#include "learn/job_file.h"
#include "test/case_file.h"

using nlohmann::json;
using namespace trelmix;

namespace {

std::string answer;

std::string Written(std::int32_t status, const std::vector<std::uint8_t>& bytes,
                    const std::vector<std::string>& output) {
    cli::Expectation e;
    e.status = status;
    e.bytes = bytes;
    std::string s = cli::FormatExpectation(e);
    for (const std::string& line : output) s += "\n  " + line;
    return s;
}

json Learn(const std::string& text) {
    std::string error;
    const std::optional<learn::Job> job = learn::ReadJob("cases", text, error);
    if (!job) return {{"error", error}};
    const learn::Learned learned = learn::Learn(*job);
    json failing = json::array();
    // The closest script's results, run as the learner checks it: the cases
    // in order in one session.
    cli::Session session(job->keyboard ? KeyboardClientId : cli::kDefaultApplicationId, cli::HostOptions{});
    session.Assign(cli::FromCommandLine(learned.script));
    for (std::size_t i = 0, next = 0; i < job->examples.size(); ++i) {
        const learn::Example& e = job->examples[i];
        const cli::RecordResult r = session.Execute(e.record, e.codeType, e.protocol);
        if (next >= learned.failing.size() || learned.failing[next] != i) continue;
        ++next;
        failing.push_back({{"line", e.line},
                           {"record", cli::EscapeBytes(e.record.data(), e.record.size())},
                           {"wanted", Written(e.status, e.result, e.output)},
                           {"got", Written(r.status, r.bytes, cli::DescribeOutput(r.output))}});
    }
    return {{"ok", learned.failing.empty()},
            {"script", learned.script},
            {"notes", learned.notes},
            {"explain", learned.explain},
            {"failing", failing}};
}

}  // namespace

extern "C" const char* trelmix_learn(const char* text, int length) {
    try {
        const std::string cases = text ? std::string(text, static_cast<std::size_t>(std::max(length, 0))) : "";
        answer = Learn(cases).dump(-1, ' ', false, json::error_handler_t::replace);
    } catch (const std::exception& e) {
        answer = json{{"error", std::string("internal error: ") + e.what()}}.dump();
    } catch (...) {
        answer = R"({"error": "internal error"})";
    }
    return answer.c_str();
}
