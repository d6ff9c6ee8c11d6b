// The story of one record's run, told from the engine's own reports
// (host/run_observer.h) in the script's lines: every rule reached and what
// became of it, each action with the record and cursor after it, the keys and
// text it sent and the rulesets it switched, and how the run ended.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "actions/program.h"
#include "check/diagnose.h"
#include "host/run_observer.h"
#include "platform/simulated/simulated_host.h"
#include "script/compiler.h"

namespace trelmix::cli {

// Where each rule, clause and action of a script stands in its text: the
// lines the program holds, with the text of each read from the script as
// TRLM_AssignScript reads it. Rule positions are the library's (END_RULE
// order).
class ScriptMap {
public:
    // The map of a program that ran in this process.
    ScriptMap(const std::u16string& string, const trelmix::Program& program);
    // The map for the traces of another engine: the script compiled here (its
    // load event goes nowhere).
    ScriptMap(const std::u16string& string, bool keyboardMode);

    bool accepted() const { return program_ != nullptr; }
    bool Maps(const trelmix::Program& program) const { return program_ == &program; }
    std::size_t rules() const { return lines_.size(); }
    const ScriptSource& source() const { return source_; }

    struct RuleLines {
        std::uint32_t begin = 0;                  // BEGIN_RULE
        std::vector<std::uint32_t> clauses;       // each clause, in order
        std::vector<std::string> clauseKeywords;  // the keyword of each clause
        std::vector<std::string> clauseTexts;     // each clause as written
        std::vector<std::uint32_t> actions;       // each action
        std::vector<std::string> actionTexts;     // each action as written
    };
    const RuleLines& rule(std::size_t position) const { return lines_[position]; }
    const Rule& compiled(std::size_t position) const { return program_->rules[position]; }

    // The lines of the clauses of `keyword` that decide in rule `position`:
    // every CODE_LIST line (they add up), else the last line that sets it.
    std::vector<std::size_t> Deciding(std::size_t position, const std::string& keyword) const;

private:
    void Map(const trelmix::Program& program);

    ScriptSource source_;
    std::unique_ptr<trelmix::Program> own_;      // compiled here, for another engine
    const trelmix::Program* program_ = nullptr;  // null: the script was not accepted
    std::vector<RuleLines> lines_;
};

// One step of a run's story. The JSON form ("trace" of `run --jsonl`) keeps
// every field; `text` is the step in a person's words.
struct TraceStep {
    enum class Kind { Rule, Action, End };
    Kind kind = Kind::Rule;
    std::uint32_t line = 0;  // Rule: its BEGIN_RULE line; Action: the action's line
    std::string text;

    // Rule
    std::string fate;    // "applied", "no criteria", "criteria failed", "ruleset off", "no action block"
    std::string clause;  // criteria failed: the deciding clause's keyword
    std::vector<std::uint32_t> clauseLines;  // and its lines

    // Action
    std::vector<std::uint8_t> bytes;  // the record after it
    std::int32_t cursor = 0;
    std::vector<platform::Output> output;  // keys, text and pauses it sent
    std::vector<std::string> switched;     // "ruleset 2 on"

    // End
    std::int32_t status = 0;
    bool copiedBack = false;
};

using Trace = std::vector<TraceStep>;

// Listens to the runs while it lives (it is the process's run observer) and
// keeps the story of the latest one, told from `map`, which it makes (from
// `script`) for the program that reports. The keys and text come from the
// recording platform in use, when it is one.
class TraceRecorder final : public RunObserver {
public:
    TraceRecorder(std::unique_ptr<ScriptMap>& map, const std::u16string& script);
    ~TraceRecorder() override;
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    // The story of the latest run, finished with the result the host got
    // (which can differ from the run's end: a record too long for the buffer);
    // empty when no run reported.
    Trace Take(std::int32_t status, std::uint32_t length);

    void RunStarted(const trelmix::Program& program, const RecordView& record) override;
    void RuleReached(std::uint32_t rule, RuleFate fate, Clause clause, WildcardStop stop,
                     const RecordView& record) override;
    void ActionDone(std::uint32_t rule, std::uint32_t action, const RecordView& record) override;
    void RunEnded(const RunEnd& end) override;

private:
    std::unique_ptr<ScriptMap>& mapHeld_;
    const std::u16string& script_;
    const platform::RecordingPlatform* recording_ = nullptr;
    Trace trace_;
    std::size_t outputSeen_ = 0;
    std::vector<std::int32_t> rulesets_;
    bool started_ = false;
    bool ended_ = false;
    RunEnd end_;
};

// The scripts a run assigns, mapped when a trace is first asked for.
class Explainer {
public:
    // `script` (as given to TRLM_AssignScript) is the id's script from now on.
    void Assigned(const std::u16string& script) {
        script_ = script;
        map_.reset();
    }

    // Calls `execute` (which runs one record and returns its RecordResult)
    // with a TraceRecorder listening, and puts the record's story in `trace`.
    template <typename Execute>
    auto Run(Execute&& execute, Trace& trace) {
        TraceRecorder recorder(map_, script_);
        auto result = execute();
        trace = recorder.Take(result.status, result.length);
        return result;
    }

private:
    std::u16string script_;
    std::unique_ptr<ScriptMap> map_;
};

// Person-readable lines, indented: rules by two blanks, actions by four,
// what an action sent by six.
std::vector<std::string> TraceLines(const Trace& trace);

// The "trace" array of `run --jsonl`, and back (for a trace an engine process
// sent). ParseTrace keeps what `test` shows (texts, rule fates, switches and
// output), not an action's record or the end's status, and gives nothing for
// a malformed array.
std::string TraceJson(const Trace& trace);
std::optional<Trace> ParseTrace(const nlohmann::json& list);

// The "output" array of a `run --jsonl` answer, back to what was recorded.
std::optional<std::vector<platform::Output>> ParseOutput(const nlohmann::json& list);

}  // namespace trelmix::cli
