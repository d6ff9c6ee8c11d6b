#include "run/explain.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "common/human_output.h"
#include "common/record_escapes.h"
#include "common/text_encoding.h"
#include "host/criteria.h"
#include "run/jsonl.h"
#include "script/diagnostic.h"
#include "script/keywords.h"

namespace trelmix::cli {

namespace {

using nlohmann::json;

std::string Quoted(const std::uint8_t* bytes, std::size_t count) { return "'" + EscapeBytes(bytes, count) + "'"; }
std::string Quoted(const ByteArg& arg) { return Quoted(arg.data(), static_cast<std::size_t>(arg.length())); }

std::string Record(const std::uint8_t* bytes, std::int32_t length) {
    return "\"" + EscapeBytes(bytes, static_cast<std::size_t>(std::max(length, 0))) + "\"";
}

// The other rulesets switched off, for a person: " (also off: 3, 4)".
std::string AlsoOff(const std::int32_t* rulesets, std::uint32_t ruleset) {
    std::string off;
    for (std::uint32_t n = 1; n < kRulesetCount; ++n) {
        if (n != ruleset && rulesets[n] != 1) off += (off.empty() ? "" : ", ") + std::to_string(n);
    }
    return off.empty() ? "" : " (also off: " + off + ")";
}

// The wildcard segment that starts at `segment`: a literal, a run of '?', or
// '*' with the literal (or the wildcard) after it.
std::string Segment(const ByteArg& pattern, std::int32_t segment) {
    const std::vector<std::uint8_t>& p = pattern.bytes;  // checked reads in a debug build
    const std::int32_t n = pattern.length();
    const auto wild = [&](std::int32_t i) { return p[i] == '*' || p[i] == '?'; };
    std::int32_t end = segment + 1;
    if (p[segment] == '?') {
        while (end < n && p[end] == '?') ++end;
    } else if (p[segment] == '*' && end < n && wild(end)) {
        ++end;
    } else {
        while (end < n && !wild(end)) ++end;
    }
    return Quoted(p.data() + segment, static_cast<std::size_t>(end - segment));
}

// Installs a recording platform while it lives, so that compiling a script
// once more writes its load event nowhere; then puts back what was there.
class QuietPlatform {
public:
    QuietPlatform() : before_(platform::Current()) { platform::Install(&quiet_); }
    ~QuietPlatform() { platform::Install(&before_ == &platform::Native() ? nullptr : &before_); }
    QuietPlatform(const QuietPlatform&) = delete;
    QuietPlatform& operator=(const QuietPlatform&) = delete;

private:
    platform::Backend& before_;
    platform::RecordingPlatform quiet_;
};

}  // namespace

// ---- ScriptMap -----------------------------------------------------------------

ScriptMap::ScriptMap(const std::u16string& string, bool keyboardMode) {
    const QuietPlatform quiet;
    source_ = LoadScriptSource(string, "");
    if (source_.kind != ScriptSource::Kind::Inline && source_.kind != ScriptSource::Kind::File) return;
    auto own = std::make_unique<trelmix::Program>();
    if (!CompileScript(*own, source_.text.data(), keyboardMode)) return;
    own_ = std::move(own);
    Map(*own_);
}

ScriptMap::ScriptMap(const std::u16string& string, const trelmix::Program& program) {
    const QuietPlatform quiet;  // reading the file again writes no event either
    source_ = LoadScriptSource(string, "");
    if (source_.kind != ScriptSource::Kind::Inline && source_.kind != ScriptSource::Kind::File) return;
    Map(program);
}

void ScriptMap::Map(const trelmix::Program& program) {
    program_ = &program;
    const char16_t* text = source_.text.data();
    // Where each line begins: CR, LF and CR LF each end one.
    std::vector<const char16_t*> starts{text};
    for (const char16_t* p = text; *p; ++p) {
        if (*p == u'\r' && p[1] == u'\n') ++p;
        if (*p == u'\r' || *p == u'\n') starts.push_back(p + 1);
    }
    // A keyword line as written, without the blanks around it.
    const auto written = [&](std::uint32_t line) {
        const char16_t* at = line - 1 < starts.size() ? starts[line - 1] : text;
        while (*at == u' ' || *at == u'\t') ++at;
        const char16_t* end = at;
        while (*end && *end != u'\r' && *end != u'\n') ++end;
        while (end > at && (end[-1] == u' ' || end[-1] == u'\t')) --end;
        return EscapeScriptText(std::u16string_view(at, static_cast<std::size_t>(end - at)));
    };
    const SourceLines& lines = program.lines;
    for (std::size_t position = 0; position < program.rules.size(); ++position) {
        RuleLines r;
        r.begin = lines.rules[position];
        for (const SourceLines::ClauseLine& clause : lines.clauses[position]) {
            r.clauses.push_back(clause.line);
            r.clauseTexts.push_back(written(clause.line));
            r.clauseKeywords.emplace_back(ClauseKeyword(clause.clause)->name);
        }
        if (const auto& block = program.rules[position].actions) {
            for (std::uint32_t i = block->first; i < block->first + block->count; ++i) {
                r.actions.push_back(lines.actions[i]);
                r.actionTexts.push_back(written(lines.actions[i]));
            }
        }
        lines_.push_back(std::move(r));
    }
}

std::vector<std::size_t> ScriptMap::Deciding(std::size_t position, const std::string& keyword) const {
    const RuleLines& r = lines_[position];
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < r.clauseKeywords.size(); ++i) {
        if (r.clauseKeywords[i] != keyword) continue;
        if (keyword != ClauseKeyword(Clause::CodeList)->name) found.clear();  // the last one sets it
        found.push_back(i);
    }
    return found;
}

// ---- TraceRecorder ---------------------------------------------------------------

TraceRecorder::TraceRecorder(std::unique_ptr<ScriptMap>& map, const std::u16string& script)
    : mapHeld_(map),
      script_(script),
      recording_(dynamic_cast<const platform::RecordingPlatform*>(&platform::Current())) {
    SetRunObserver(this);
}

TraceRecorder::~TraceRecorder() { SetRunObserver(nullptr); }

void TraceRecorder::RunStarted(const trelmix::Program& program, const RecordView& record) {
    if (!mapHeld_ || !mapHeld_->Maps(program)) mapHeld_ = std::make_unique<ScriptMap>(script_, program);
    trace_.clear();
    started_ = true;
    ended_ = false;
    outputSeen_ = recording_ ? recording_->output.size() : 0;
    rulesets_.assign(record.rulesets, record.rulesets + kRulesetCount);
}

void TraceRecorder::RuleReached(std::uint32_t rule, RuleFate fate, Clause clause, WildcardStop stop,
                                const RecordView& record) {
    if (rule >= mapHeld_->rules()) return;  // not the script the map was made from
    TraceStep step;
    step.kind = TraceStep::Kind::Rule;
    step.line = mapHeld_->rule(rule).begin;
    const std::string at = "rule at line " + std::to_string(step.line) + ": ";
    const Rule& compiled = mapHeld_->compiled(rule);
    // What the trace calls each fate, in RuleFate's order.
    constexpr std::string_view kFates[] = {"no action block", "ruleset off",     "criteria failed",
                                           "no criteria",     "criteria failed", "applied"};
    static_assert(std::size(kFates) == static_cast<std::size_t>(RuleFate::Applied) + 1);
    step.fate = kFates[static_cast<int>(fate)];
    switch (fate) {
    case RuleFate::NoActionBlock: step.text = at + "no action block, the run stops"; break;
    case RuleFate::RulesetOff:
        step.text =
            at + "ruleset " + std::to_string(compiled.ruleset) +
            (compiled.ruleset < kRulesetCount ? " is off, passed by" + AlsoOff(record.rulesets, compiled.ruleset)
                                              : " is never on, passed by");
        break;
    case RuleFate::NoCriteria: step.text = at + "no criteria, its actions run and the run goes on"; break;
    case RuleFate::Applied: step.text = at + "applied"; break;
    case RuleFate::CodeNotListed:
    case RuleFate::CriteriaFailed: {
        if (const KeywordInfo* keyword = ClauseKeyword(clause)) step.clause = keyword->name;
        const ScriptMap::RuleLines& lines = mapHeld_->rule(rule);
        std::string where;
        for (std::size_t i : mapHeld_->Deciding(rule, step.clause)) {
            step.clauseLines.push_back(lines.clauses[i]);
            where +=
                (where.empty() ? "" : ", ") + lines.clauseTexts[i] + " at line " + std::to_string(lines.clauses[i]);
        }
        const Criteria& c = *compiled.criteria;
        std::string why;
        switch (clause) {
        case Clause::CodeList: why = "code type " + std::to_string(record.codeType) + " is not in " + where; break;
        case Clause::Length: why = "length " + std::to_string(record.length) + ", " + where; break;
        case Clause::Protocol: why = "protocol " + std::to_string(record.protocol) + ", " + where; break;
        case Clause::Match:
            why = Quoted(c.match) + " not found at or after " +
                  std::to_string(c.matchPosition == kUnset ? 0 : c.matchPosition) + ", " + where;
            break;
        case Clause::Wildcard:
            if (stop.segment >= c.wildcard.length()) {
                why = where + " ends at byte " + std::to_string(stop.at) + " of " + std::to_string(record.length);
            } else {
                why = where + " stops at segment " + Segment(c.wildcard, stop.segment) + " at byte " +
                      std::to_string(stop.at) + (stop.at >= record.length ? ", the record's end" : "");
            }
            break;
        case Clause::None: break;
        }
        step.text = at + why;
        break;
    }
    }
    trace_.push_back(std::move(step));
}

void TraceRecorder::ActionDone(std::uint32_t rule, std::uint32_t action, const RecordView& record) {
    if (rule >= mapHeld_->rules() || action >= mapHeld_->rule(rule).actions.size()) return;
    TraceStep step;
    step.kind = TraceStep::Kind::Action;
    step.line = mapHeld_->rule(rule).actions[action];
    step.bytes.assign(record.bytes, record.bytes + std::max(record.length, 0));
    step.cursor = record.cursor;
    if (recording_) {
        const auto& output = recording_->output;
        step.output.assign(output.begin() + static_cast<std::ptrdiff_t>(outputSeen_), output.end());
        outputSeen_ = output.size();
    }
    for (int n = 1; n < kRulesetCount; ++n) {
        if (record.rulesets[n] == rulesets_[static_cast<std::size_t>(n)]) continue;
        step.switched.push_back("ruleset " + std::to_string(n) + (record.rulesets[n] == 1 ? " on" : " off"));
        rulesets_[static_cast<std::size_t>(n)] = record.rulesets[n];
    }
    step.text = "line " + std::to_string(step.line) + " " + mapHeld_->rule(rule).actionTexts[action] + ": " +
                Record(record.bytes, record.length) + ", cursor " + std::to_string(record.cursor);
    trace_.push_back(std::move(step));
}

void TraceRecorder::RunEnded(const RunEnd& end) {
    ended_ = true;
    end_ = end;
}

Trace TraceRecorder::Take(std::int32_t status, std::uint32_t length) {
    const bool started = std::exchange(started_, false);
    // An engine that does not report (another process, an emulated DLL)
    // leaves nothing to tell, unless the status says it all.
    if (!started && status != TRLM_STATUS_NO_SCRIPT && status != TRLM_STATUS_OUT_OF_MEMORY) return {};
    TraceStep step;
    step.kind = TraceStep::Kind::End;
    step.status = status;
    step.copiedBack = ended_ && end_.copyBack && status == TRLM_STATUS_APPLIED;
    std::string how;
    if (status == TRLM_STATUS_NO_SCRIPT) {
        how = "the id has no script";
    } else if (status == TRLM_STATUS_OUT_OF_MEMORY) {
        how = "out of memory: the caller's record is untouched";
    } else if (status == TRLM_STATUS_TOO_LONG) {
        how = "the edited record, " + Plural(length, "byte", "bytes") + ", is longer than the buffer: not copied back";
    } else if (step.copiedBack) {
        how = "the edited record, " + Plural(length, "byte", "bytes") + ", is copied back";
    } else {
        how = "the run stopped: the record goes back as it was";
    }
    step.text = "status " + std::to_string(status) + ": " + how;
    Trace trace = std::move(trace_);
    trace_.clear();
    ended_ = false;
    trace.push_back(std::move(step));
    return trace;
}

// ---- forms ---------------------------------------------------------------------

std::vector<std::string> TraceLines(const Trace& trace) {
    std::vector<std::string> lines;
    for (const TraceStep& step : trace) {
        if (step.kind == TraceStep::Kind::Action) {
            lines.push_back("    " + step.text);
            for (const std::string& s : step.switched) lines.push_back("      " + s);
            for (const std::string& s : DescribeOutput(step.output)) lines.push_back("      " + s);
        } else {
            lines.push_back("  " + step.text);
        }
    }
    return lines;
}

std::string TraceJson(const Trace& trace) {
    std::string s = "[";
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const TraceStep& t = trace[i];
        s += i ? ", {" : "{";
        switch (t.kind) {
        case TraceStep::Kind::Rule:
            s += "\"rule\": " + std::to_string(t.line) + ", \"fate\": " + JsonQuoted(t.fate);
            if (!t.clause.empty())
                s += ", \"clause\": \"" + t.clause + "\", \"clause_lines\": " + json(t.clauseLines).dump();
            break;
        case TraceStep::Kind::Action:
            s += "\"action\": " + std::to_string(t.line) + ", \"hex\": \"" + EncodeHex(t.bytes.data(), t.bytes.size()) +
                 "\", \"cursor\": " + std::to_string(t.cursor) + ", \"output\": [";
            for (std::size_t k = 0; k < t.output.size(); ++k) s += (k ? ", " : "") + OutputEntry(t.output[k]);
            s += "]";
            if (!t.switched.empty()) s += ", \"switched\": " + json(t.switched).dump();
            break;
        case TraceStep::Kind::End:
            s += "\"status\": " + std::to_string(t.status) + ", \"copied_back\": " + (t.copiedBack ? "true" : "false");
            break;
        }
        s += ", \"text\": " + JsonQuoted(t.text) + "}";
    }
    return s + "]";
}

std::optional<std::vector<platform::Output>> ParseOutput(const json& list) try {
    if (!list.is_array()) return std::nullopt;
    std::vector<platform::Output> out;
    for (const json& e : list) {
        platform::Output o;
        if (e.contains("inject") && e["inject"].is_array()) {
            o.kind = platform::Output::Kind::Inject;
            for (const json& r : e["inject"]) {
                if (!r.is_array() || r.size() != 3) return std::nullopt;
                o.records.push_back({r[0].get<std::uint32_t>(), r[1].get<std::uint32_t>(), r[2].get<std::uint32_t>()});
            }
        } else if (e.contains("type")) {
            o.kind = platform::Output::Kind::Type;
            o.unit = e["type"].get<std::uint32_t>();
            o.context = e.value("ctx", 0u);
        } else if (e.contains("sleep")) {
            o.kind = platform::Output::Kind::Sleep;
            o.milliseconds = e["sleep"].get<std::uint32_t>();
        } else {  // none of the three, or not an object (which contains nothing)
            return std::nullopt;
        }
        out.push_back(std::move(o));
    }
    return out;
} catch (const json::exception&) {
    return std::nullopt;
}

std::optional<Trace> ParseTrace(const json& list) {
    if (!list.is_array()) return std::nullopt;
    Trace trace;
    try {
        for (const json& e : list) {
            TraceStep t;
            t.text = e.at("text").get<std::string>();
            if (e.contains("rule")) {
                t.kind = TraceStep::Kind::Rule;
                t.line = e["rule"].get<std::uint32_t>();
                t.fate = e.at("fate").get<std::string>();
                t.clause = e.value("clause", std::string());
                if (e.contains("clause_lines")) t.clauseLines = e["clause_lines"].get<std::vector<std::uint32_t>>();
            } else if (e.contains("action")) {
                t.kind = TraceStep::Kind::Action;
                t.line = e["action"].get<std::uint32_t>();
                auto output = ParseOutput(e.at("output"));
                if (!output) return std::nullopt;
                t.output = std::move(*output);
                if (e.contains("switched")) t.switched = e["switched"].get<std::vector<std::string>>();
            } else {
                t.kind = TraceStep::Kind::End;
            }
            trace.push_back(std::move(t));
        }
    } catch (const json::exception&) {
        return std::nullopt;
    }
    return trace;
}

}  // namespace trelmix::cli
