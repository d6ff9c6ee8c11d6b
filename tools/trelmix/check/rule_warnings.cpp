// What the rules mean together: a script with none, rules no record reaches
// or none can pass, repeated criteria clauses, rulesets that nothing
// switches, and actions whose effect depends on where an earlier action left
// the cursor.
#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <utility>

#include "check/warning_checks.h"
#include "common/human_output.h"
#include "script/diagnostic.h"

namespace trelmix::cli {

namespace {

// What an action does, as these checks need it.
enum Fact : unsigned {
    kFromCursor = 1,    // edits or types the record from the cursor to its end
    kAfterFind = 2,     // leaves the cursor after a text it found
    kMovesCursor = 4,   // puts the cursor anywhere else
    kEdits = 8,         // changes the record's bytes
    kTypesRecord = 16,  // types the record's bytes
};

unsigned FactsOf(ActionKind kind) {
    using K = ActionKind;
    switch (kind) {
    case K::SkipStart:
    case K::SkipEnd:
    case K::SkipAhead:
    case K::SkipBack: return kMovesCursor;
    case K::MoveBefore:
    case K::MoveAfter: return kAfterFind;
    case K::ReplaceFirst: return kAfterFind | kEdits;
    case K::ReplaceAll: return kFromCursor | kAfterFind | kEdits;
    case K::RemoveSpaces:
    case K::RemoveZeros: return kFromCursor | kEdits;
    case K::CrunchSpaces:  // the whole record, wherever the cursor is
    case K::PadSpace:
    case K::PadZero: return kEdits;
    case K::Append:
    case K::Prepend:
    case K::Insert: return kMovesCursor | kEdits;
    case K::SendAll: return kMovesCursor | kTypesRecord;
    case K::SendRem: return kFromCursor | kTypesRecord;
    case K::SendUntil: return kTypesRecord;
    case K::RulesetOn:
    case K::RulesetOff:
    case K::SendPause:
    case K::SendAscii:
    case K::SendAlt:
    case K::SendFunc:
    case K::SendExtn:
    case K::SendWin:
    case K::SendCtrl:
    case K::SendNumpad: return 0;
    }
    return 0;
}

std::u16string Units(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// Line numbers of places in any order, each found by a binary search among
// the line starts (counted as Locate counts them).
class LineNumbers {
public:
    explicit LineNumbers(std::u16string_view text) {
        starts_.push_back(text.data());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            if (text[i] == u'\r' || text[i] == u'\n') starts_.push_back(text.data() + i + 1);
        }
    }
    std::string operator()(const char16_t* at) const {
        return std::to_string(std::upper_bound(starts_.begin(), starts_.end(), at) - starts_.begin());
    }

private:
    std::vector<const char16_t*> starts_;
};

// One rule as compiled, with the lines it was read from.
struct RuleView {
    const Rule& rule;
    const CompileReport::RuleFacts& facts;
    const trelmix::Program& script;
    const LineNumbers& lineOf;

    std::size_t ActionCount() const { return rule.actions ? rule.actions->count : 0; }
    const Action& ActionAt(std::size_t i) const { return script.actions[rule.actions->first + i]; }
    KeywordLine LineAt(const char16_t* at) const { return KeywordLine(*LeadingKeyword(cli::LineAt(at), true), at); }
};

// ---- rules no record reaches -------------------------------------------------------

// A rule that ends every run reaching it (while its ruleset is on).
struct Blocker {
    std::size_t index = 0;
    std::uint32_t ruleset = 0;  // 0: whatever the rulesets
    std::string why;
};

// Marks the rules no record reaches; one pass, whatever the number of rules.
std::vector<bool> CheckReach(std::span<const RuleView> rules, Findings& out) {
    std::vector<bool> unreachable(rules.size());
    std::optional<Blocker> always;                                  // the first that blocks every rule after it
    std::array<std::optional<Blocker>, kRulesetCount> inRuleset{};  // the last per ruleset
    // The last rule switching each ruleset on; 0 before any does, which the
    // test below takes alike, as no blocker comes before the first rule.
    std::array<std::int64_t, kRulesetCount> lastSwitchOn{};
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules[i].rule;
        const char16_t* at = rules[i].facts.begin;
        const Blocker* by = always ? &*always : nullptr;
        if (!by && rule.ruleset > 0 && rule.ruleset < static_cast<std::uint32_t>(kRulesetCount)) {
            // Reaching this rule needs its ruleset on again: only a rule in
            // between can switch it.
            const auto& b = inRuleset[rule.ruleset];
            if (b && lastSwitchOn[rule.ruleset] <= static_cast<std::int64_t>(b->index)) by = &*b;
        }
        for (std::uint32_t on = rules[i].facts.rulesetsSwitchedOn; on != 0; on &= on - 1) {
            lastSwitchOn[static_cast<std::size_t>(std::countr_zero(on))] = static_cast<std::int64_t>(i);
        }
        if (by) {
            std::string message = "this rule is never reached: the rule at line " +
                                  rules[i].lineOf(rules[by->index].facts.begin) + " " + by->why;
            if (by->ruleset != 0) {
                // While the ruleset is off, runs pass by both rules: reached, never applied.
                message = "this rule never applies: while ruleset " + std::to_string(by->ruleset) +
                          " is on, the rule at line " + rules[i].lineOf(rules[by->index].facts.begin) + " " + by->why +
                          ", and while it is off both are passed by (no rule between them switches it on)";
            }
            out.push_back({at, Code::RuleUnreachable, message});
            unreachable[i] = true;
            continue;
        }
        if (rule.actions && rule.ruleset >= static_cast<std::uint32_t>(kRulesetCount)) {
            out.push_back({at, Code::RulesetNeverOn,
                           "this rule never applies: it belongs to ruleset " + std::to_string(rule.ruleset) +
                               ", and only rulesets 1 to 31 can be on"});
            unreachable[i] = true;
            continue;
        }
        std::optional<Blocker> blocker;
        if (!rule.actions) {
            blocker = Blocker{i, 0, "has no action block, so every run that reaches it stops there"};
        } else if (!rule.criteria && rule.actions->empty()) {
            blocker = Blocker{i, rule.ruleset,
                              "has no criteria block and an empty action block, so every run that reaches it "
                              "stops there"};
        } else if (rule.criteria && rule.criteria->codes.empty() && rule.criteria->length == kUnset &&
                   rule.criteria->protocol == kUnset && rule.criteria->match.bytes.empty() &&
                   rule.criteria->wildcard.bytes.empty()) {
            blocker = Blocker{i, rule.ruleset,
                              "has an empty criteria block, so it applies to every record that reaches it and "
                              "ends the run"};
        }
        if (!blocker) continue;
        // A rule of ruleset 32 or above was passed by above, so a blocker's
        // ruleset indexes the table.
        if (blocker->ruleset == 0) {
            always = std::move(blocker);
        } else {
            inRuleset[blocker->ruleset] = std::move(blocker);
        }
    }
    return unreachable;
}

// The clause lines that set the rule's criteria: the last of each kind
// (and every CODE_LIST line).
std::vector<const char16_t*> LastClauses(const RuleView& r) {
    std::vector<const char16_t*> last;
    std::array<bool, 6> seen{};
    for (auto it = r.facts.clauses.rbegin(); it != r.facts.clauses.rend(); ++it) {
        const Clause kind = r.LineAt(*it).keyword.clause;
        if (kind != Clause::CodeList && std::exchange(seen[static_cast<std::size_t>(kind)], true)) continue;
        last.push_back(*it);
    }
    std::reverse(last.begin(), last.end());
    return last;
}

// ---- rules none can pass ------------------------------------------------------------

// What every record that reaches a rule holds, from the rules without
// criteria before it (they run for every record, and the run goes on).
struct EveryRecord {
    std::vector<std::uint8_t> head;  // it begins with these bytes
    const char16_t* headBy = nullptr;
    std::vector<std::uint8_t> tail;  // it ends with these
    const char16_t* tailBy = nullptr;
    std::uint64_t minLength = 0;  // it has at least this many bytes
    const char16_t* lengthBy = nullptr;
    std::array<const char16_t*, 256> absentBy{};  // the action that took each byte out of every record
    bool cursorAtStart = true;

    void Forget() {
        *this = EveryRecord{};
        cursorAtStart = false;
    }
    void Adds(const std::vector<std::uint8_t>& bytes, const char16_t* at) {
        minLength += bytes.size();
        lengthBy = at;
        for (std::uint8_t b : bytes) absentBy[b] = nullptr;
    }
};

void FollowEdits(const RuleView& r, EveryRecord& every) {
    if (r.rule.ruleset != 0) return every.Forget();  // it may run or not
    for (std::size_t i = 0; i < r.ActionCount(); ++i) {
        const Action& a = r.ActionAt(i);
        const char16_t* at = r.facts.actions[i];
        const unsigned facts = FactsOf(a.kind);
        if (a.kind == ActionKind::Prepend) {
            every.head.insert(every.head.begin(), a.arg1.bytes.begin(), a.arg1.bytes.end());
            every.headBy = at;
            every.Adds(a.arg1.bytes, at);
        } else if (a.kind == ActionKind::Append) {
            every.tail.insert(every.tail.end(), a.arg1.bytes.begin(), a.arg1.bytes.end());
            every.tailBy = at;
            every.Adds(a.arg1.bytes, at);
        } else if (a.kind == ActionKind::ReplaceAll && every.cursorAtStart && a.arg1.bytes.size() == 1) {
            // One byte replaced everywhere: none is left, unless the new text has it.
            const std::uint8_t gone = a.arg1.bytes[0];
            const bool back = std::find(a.arg2.bytes.begin(), a.arg2.bytes.end(), gone) != a.arg2.bytes.end();
            every.absentBy[gone] = back ? nullptr : at;
            // The head up to its first such byte, and the tail after its last, stay.
            every.head.erase(std::find(every.head.begin(), every.head.end(), gone), every.head.end());
            every.tail.erase(every.tail.begin(), std::find(every.tail.rbegin(), every.tail.rend(), gone).base());
            every.minLength = std::max(every.head.size(), every.tail.size());
            for (std::uint8_t b : a.arg2.bytes) every.absentBy[b] = b == gone ? every.absentBy[b] : nullptr;
        } else if (facts & kEdits) {
            every.Forget();
        }
        if (a.kind == ActionKind::SkipStart) {
            every.cursorAtStart = true;
        } else if ((facts & kMovesCursor) || (facts & kAfterFind)) {
            every.cursorAtStart = false;
        }
    }
}

// An action line for a message: "PREPEND('X') at line 3".
std::string Edit(const LineNumbers& lineOf, const char16_t* by) {
    std::u16string_view line = LineAt(by);
    while (!line.empty() && (line.back() == u' ' || line.back() == u'\t')) line.remove_suffix(1);
    return (line.size() > 60 ? Shown(line.substr(0, 57)) + "..." : Shown(line)) + " at line " + lineOf(by);
}

// The first byte of `text` that no record holds, with the action that took it out.
const char16_t* AbsentByte(const EveryRecord& every, const std::vector<std::uint8_t>& text, bool wildcard,
                           std::uint8_t& byte) {
    for (std::uint8_t b : text) {
        if (wildcard && (b == '*' || b == '?')) continue;
        if (every.absentBy[b]) {
            byte = b;
            return every.absentBy[b];
        }
    }
    return nullptr;
}

// Why a record as `every` describes it cannot match the pattern, and the
// action that made it so; else null.
const char16_t* WildcardConflict(const EveryRecord& every, const std::vector<std::uint8_t>& w, std::string& why) {
    const auto star = static_cast<std::size_t>(std::find(w.begin(), w.end(), '*') - w.begin());
    for (std::size_t i = 0; i < std::min(star, every.head.size()); ++i) {
        if (w[i] != '?' && w[i] != every.head[i]) {
            why = "every record begins with " + Quoted(Units(every.head));
            return every.headBy;
        }
    }
    // The text after the last '*' (the whole pattern without one) ends the record.
    const auto suffix = static_cast<std::size_t>(std::find(w.rbegin(), w.rend(), '*') - w.rbegin());
    for (std::size_t j = 1; j <= std::min(suffix, every.tail.size()); ++j) {
        const std::uint8_t want = w[w.size() - j];
        if (want != '?' && want != every.tail[every.tail.size() - j]) {
            why = "every record ends with " + Quoted(Units(every.tail));
            return every.tailBy;
        }
    }
    std::uint8_t byte = 0;
    if (const char16_t* by = AbsentByte(every, w, true, byte)) {
        why = "no record holds the byte " + Hex2(byte);
        return by;
    }
    return nullptr;
}

void CheckPassable(const RuleView& r, const EveryRecord& every, const char16_t* edited, Findings& out) {
    const Criteria& crit = *r.rule.criteria;
    auto impossible = [&](const char16_t* clause, const std::string& why, const char16_t* by) {
        out.push_back({clause, Code::RuleImpossible,
                       "this clause can never pass: the rule at line " + r.lineOf(edited) +
                           " has no criteria, so it edits every record first, and after " + Edit(r.lineOf, by) + " " +
                           why,
                       "put this rule before that one, or match the record as that rule leaves it"});
    };
    for (const char16_t* clause : LastClauses(r)) {
        const KeywordLine k = r.LineAt(clause);
        std::uint8_t byte = 0;
        std::string why;
        switch (k.keyword.clause) {
        case Clause::Length:
            if (every.lengthBy && crit.length < every.minLength) {
                impossible(
                    clause,
                    "every record has at least " + Plural(static_cast<std::uint64_t>(every.minLength), "byte", "bytes"),
                    every.lengthBy);
            }
            break;
        case Clause::Wildcard:
            if (const char16_t* by = WildcardConflict(every, crit.wildcard.bytes, why)) impossible(clause, why, by);
            break;
        case Clause::Match:
            if (const char16_t* by = AbsentByte(every, crit.match.bytes, false, byte)) {
                impossible(clause, "no record holds the byte " + Hex2(byte), by);
            }
            break;
        case Clause::None:
        case Clause::CodeList:
        case Clause::Protocol: break;
        }
    }
}

// ---- one rule's lines -----------------------------------------------------------------

// A clause written twice, where the later line replaces the earlier; and a
// CODE_MATCH that finds its text further on than meant.
void CheckClauses(const RuleView& r, Findings& out) {
    std::array<const char16_t*, 6> first{};
    for (const char16_t* clause : r.facts.clauses) {
        const KeywordLine k = r.LineAt(clause);
        const Clause kind = k.keyword.clause;
        const char16_t*& earlier = first[static_cast<std::size_t>(kind)];
        if (kind != Clause::CodeList && earlier) {
            out.push_back({clause, Code::ClauseRepeated,
                           k.Name() + " replaces the " + k.Name() + " of line " + r.lineOf(earlier) +
                               ": a criteria block keeps only the last " + k.Name() + ", and its clauses must all pass",
                           "for records that pass either one, write two rules, one with each " + k.Name()});
        }
        if (!earlier) earlier = clause;
        if (kind != Clause::Match || !k.listOk || k.args.size() != 2) continue;
        const ByteArg text = ArgumentBytes(k.keyword, k.args[0]);
        std::uint32_t position = 0;
        if (text.bytes.empty() || !ParseNumber(k.args[1], position) ||
            std::any_of(text.bytes.begin(), text.bytes.end(), [](std::uint8_t b) { return b == '*' || b == '?'; })) {
            continue;
        }
        const std::string written = Quoted(QuotedContent(k.args[0]));
        // The pattern is spelt out only while its run of '?' stays readable
        // (a position can be as large as 4294967295).
        const std::string pattern =
            position <= 32 ? "WILDCARD_MATCH('" + std::string(position, '?') + Shown(QuotedContent(k.args[0])) + "*')"
                           : "a WILDCARD_MATCH of " + std::to_string(position) + " '?', then the text, then *";
        out.push_back({clause, Code::CodeMatchAnywhere,
                       position == 0
                           ? "CODE_MATCH(" + written + ", 0) finds " + written + " anywhere in the record"
                           : "CODE_MATCH(" + written + ", " + std::to_string(position) + ") finds " + written +
                                 " at position " + std::to_string(position) + " or anywhere after it",
                       (position == 0 ? "for records that begin with it write "
                                      : "for records that have it exactly there write ") +
                           pattern + " (a final * needs at least one byte after the text)",
                       k.line.end()});
    }
}

// SEND_PAUSE counts seconds; the host sleeps count * 1000 ms, taken in 32 bits.
void CheckPause(const KeywordLine& k, const Action& a, Findings& out) {
    const auto seconds = static_cast<std::uint32_t>(a.count);
    if (seconds < 10) return;
    const std::string written = k.Name() + "(" + std::to_string(seconds) + ")";
    std::string what;
    if (a.count < 0) {
        what = written + " does not wait at all: a count above 2147483647 is no pause";
    } else if (seconds > 0xFFFFFFFFu / 1000u) {
        what = written + " waits only " + std::to_string(seconds * 1000u) +
               " ms: the pause is counted in milliseconds in 32 bits, and " + std::to_string(seconds) +
               " seconds do not fit";
    } else {
        what = written + " waits " + std::to_string(seconds) + " seconds" +
               (seconds >= 120 ? " (" + std::to_string(seconds / 60) + " minutes)" : "") +
               " before the next key, and the host waits with it";
    }
    out.push_back({k.args.empty() ? k.line.text : k.args[0].text, Code::PauseLong, what,
                   k.Name() + " counts seconds, not milliseconds", k.args.empty() ? nullptr : k.args[0].end()});
}

// RULESET_ON/RULESET_OFF numbers no ruleset has, switches that change
// nothing, and rulesets nothing switches.
void CheckRulesets(const CompiledText& c, std::span<const RuleView> rules, Findings& out) {
    constexpr auto kSets = static_cast<std::size_t>(kRulesetCount);
    std::array<bool, kSets> switchedOn{}, switchedOff{}, hasRules{};
    struct Switch {
        const char16_t* at;
        std::size_t set;
        bool on;
    };
    std::vector<Switch> switches;
    for (const RuleView& r : rules) {
        if (r.rule.ruleset < kSets) hasRules[r.rule.ruleset] = true;
        for (std::size_t i = 0; i < r.ActionCount(); ++i) {
            const Action& a = r.ActionAt(i);
            if (a.kind != ActionKind::RulesetOn && a.kind != ActionKind::RulesetOff) continue;
            const bool on = a.kind == ActionKind::RulesetOn;
            if (a.count < 1 || a.count >= kRulesetCount) {
                const KeywordLine k = r.LineAt(r.facts.actions[i]);
                out.push_back({k.args.empty() ? k.line.text : k.args[0].text, Code::RulesetSwitchRange,
                               k.Name() + "(" + std::to_string(static_cast<std::uint32_t>(a.count)) +
                                   ") does nothing: rulesets run from 1 to 31",
                               "write a ruleset from 1 to 31"});
                continue;
            }
            const auto set = static_cast<std::size_t>(a.count);
            (on ? switchedOn : switchedOff)[set] = true;
            switches.push_back({r.facts.actions[i], set, on});
        }
    }
    for (const Switch& s : switches) {
        const std::string n = std::to_string(s.set);
        if (s.on && !switchedOff[s.set]) {
            out.push_back({s.at, Code::RulesetAlreadyOn,
                           "RULESET_ON(" + n +
                               ") changes nothing: every ruleset is on when the script is assigned, "
                               "and no RULESET_OFF(" +
                               n + ") switches ruleset " + n + " off",
                           "switch it off somewhere with RULESET_OFF(" + n + "), or drop this line"});
        } else if (!s.on && !hasRules[s.set]) {
            out.push_back({s.at, Code::RulesetEmpty,
                           "RULESET_OFF(" + n + ") switches off no rule: no rule has SET_RULESET(" + n + ")",
                           "put the rules it should switch off in ruleset " + n + " with SET_RULESET(" + n + ")"});
        }
    }
    // SET_RULESET is the one rule-level line with an argument.
    std::array<bool, kSets> named{};
    std::size_t rule = 0;
    for (const CompileReport::Line& line : c.report.statements) {
        while (rule + 1 < rules.size() && rules[rule + 1].facts.begin <= line.at) ++rule;
        if (line.keyword->block != Block::RuleLevel || line.keyword->arguments.empty() || rule >= rules.size() ||
            line.at < rules[rule].facts.begin) {
            continue;
        }
        const std::uint32_t set = rules[rule].rule.ruleset;
        if (set == 0 || set >= kSets || switchedOn[set] || switchedOff[set] || std::exchange(named[set], true))
            continue;
        const std::string n = std::to_string(set);
        out.push_back(
            {line.at, Code::RulesetNeverSwitched,
             "no action switches ruleset " + n + ", so it is always on and SET_RULESET(" + n + ") changes nothing",
             "switch it with RULESET_OFF(" + n + ") and RULESET_ON(" + n + ") in the rules that should"});
    }
}

// The rule's actions in order: SEND_PAUSE counts, pads without a length,
// actions from the cursor left after a found text, the last that types the
// record.
void CheckActions(const RuleView& r, Findings& out) {
    const bool length = r.rule.criteria && r.rule.criteria->length != kUnset;
    const char16_t* finder = nullptr;  // the action that left the cursor after a found text
    std::size_t lastSend = r.ActionCount();
    for (std::size_t i = 0; i < r.ActionCount(); ++i) {
        const Action& a = r.ActionAt(i);
        const char16_t* at = r.facts.actions[i];
        const unsigned facts = FactsOf(a.kind);
        if (facts & kTypesRecord) lastSend = i;
        if ((facts & kFromCursor) && finder) {
            const KeywordLine k = r.LineAt(at);
            const KeywordLine f = r.LineAt(finder);
            out.push_back({at, Code::CursorAfterFind,
                           k.Name() + " works from the cursor on, and " + f.Name() + " at line " + r.lineOf(finder) +
                               " left the cursor after the text it found",
                           "write SKIP_START before it to work on the whole record"});
        }
        if (facts & kAfterFind) {
            finder = at;
        } else if (facts & kMovesCursor) {
            finder = nullptr;
        }
        if ((a.kind == ActionKind::PadSpace || a.kind == ActionKind::PadZero) && !length && a.count > 0) {
            const KeywordLine k = r.LineAt(at);
            const std::string n = std::to_string(a.count);
            out.push_back(
                {at, Code::PadWithoutLength,
                 k.Name() + "(" + n + ") adds " + Plural(static_cast<std::uint64_t>(a.count), "byte", "bytes") +
                     " to records of at least " + Plural(static_cast<std::uint64_t>(a.count), "byte", "bytes") +
                     " and nothing to shorter ones: it does not pad to a width",
                 "to pad to a width, write a rule per length with CODE_LENGTH (the cookbook's \"Pad to a "
                 "fixed width\")"});
        }
        if (a.kind == ActionKind::SendPause) CheckPause(r.LineAt(at), a, out);
    }
    if (lastSend < r.ActionCount() && r.ActionAt(lastSend).kind == ActionKind::SendUntil) {
        const KeywordLine k = r.LineAt(r.facts.actions[lastSend]);
        out.push_back({k.line.text, Code::SendUntilLast,
                       k.Name() + " is the last action of the rule that types the record: it types nothing when its "
                                  "delimiter does not follow "
                                  "the cursor, as after the last field",
                       "for the last field write SEND_REM"});
    }
}

}  // namespace

void CheckRuleMeanings(const CompiledText& c, Findings& out) {
    const std::size_t count = std::min(c.script.rules.size(), c.report.rules.size());
    std::vector<RuleView> rules;
    rules.reserve(count);
    const LineNumbers lineOf(c.whole);
    for (std::size_t i = 0; i < count; ++i) rules.push_back({c.script.rules[i], c.report.rules[i], c.script, lineOf});
    // (A file cut short by a zero byte has its own warning.)
    if (rules.empty() && !c.report.rejected && !c.report.openRule && c.whole.find(u'\0') == c.whole.npos) {
        out.push_back({c.text(), Code::NoRules, "the script has no rule, so every record passes unchanged",
                       "begin a rule with BEGIN_RULE (see the first script in docs/language.md)"});
    }
    const std::vector<bool> unreachable = CheckReach(rules, out);
    CheckRulesets(c, rules, out);
    for (const RuleView& r : rules) {
        CheckClauses(r, out);
        CheckActions(r, out);
    }

    EveryRecord every;
    const char16_t* editedBy = nullptr;  // the last rule without criteria that edits
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const RuleView& r = rules[i];
        if (!r.rule.actions) continue;
        if (!r.rule.criteria) {
            FollowEdits(r, every);
            editedBy = r.facts.begin;
        } else if (editedBy && !unreachable[i]) {
            CheckPassable(r, every, editedBy, out);
        }
    }
}

}  // namespace trelmix::cli
