#include "script/compiler.h"

#include <cstring>
#include <string_view>

#include "actions/text_actions.h"
#include "actions/trim_actions.h"
#include "host/criteria.h"
#include "host/rule_index.h"
#include "host/rulesets.h"
#include "keyboard/send_actions.h"
#include "script/event_reporter.h"
#include "script/keyword_support.h"

namespace trelmix {

namespace {

// ---- structural keywords -------------------------------------------------

const char* OpenBlockName(const Script& s) {
    if (s.inCriteria) return "a criteria block (END_CRITERIA is missing)";
    if (s.inAction) return "an action block (END_ACTION is missing)";
    return "a rule (END_RULE is missing)";
}

bool BeginRule(Script& s, TextSpan line, Diagnostic* diag) {
    if (!InBlock(s, Block::Outside)) {
        return Reject(diag, line.text, std::string("BEGIN_RULE inside ") + OpenBlockName(s) +
                                           "; rules do not nest");
    }
    s.inRule = true;
    s.currentRule = std::make_unique<Rule>();
    return true;
}

bool BeginCriteria(Script& s, TextSpan line, Diagnostic* diag) {
    if (s.inRule && !s.inCriteria && !s.inAction && s.criteriaSeen) {
        return Reject(diag, line.text, "a second BEGIN_CRITERIA in one rule");
    }
    if (!s.inRule || s.inCriteria || s.inAction || !s.currentRule) {
        return Reject(diag, line.text,
                      s.inRule ? std::string("BEGIN_CRITERIA inside ") + OpenBlockName(s)
                               : std::string("BEGIN_CRITERIA outside a rule (BEGIN_RULE is missing)"));
    }
    s.currentRule->criteria = std::make_unique<Criteria>();
    s.inCriteria = true;
    s.criteriaSeen = true;
    return true;
}

bool EndCriteria(Script& s, TextSpan line, Diagnostic* diag) {
    if (!(s.inRule && s.inCriteria && !s.inAction)) {
        return Reject(diag, line.text, "END_CRITERIA without BEGIN_CRITERIA");
    }
    s.inCriteria = false;
    return true;
}

bool BeginAction(Script& s, TextSpan line, Diagnostic* diag) {
    if (s.inRule && !s.inCriteria && !s.inAction && s.actionSeen) {
        return Reject(diag, line.text, "a second BEGIN_ACTION in one rule");
    }
    if (!s.inRule || s.inCriteria || s.inAction || !s.currentRule) {
        return Reject(diag, line.text,
                      s.inRule ? std::string("BEGIN_ACTION inside ") + OpenBlockName(s)
                               : std::string("BEGIN_ACTION outside a rule (BEGIN_RULE is missing)"));
    }
    s.currentRule->actions = std::make_unique<ActionList>();
    s.inAction = true;
    s.actionSeen = true;
    return true;
}

bool EndAction(Script& s, TextSpan line, Diagnostic* diag) {
    if (!(s.inRule && !s.inCriteria && s.inAction)) {
        return Reject(diag, line.text, "END_ACTION without BEGIN_ACTION");
    }
    s.inAction = false;
    return true;
}

bool EndRule(Script& s, TextSpan line, Diagnostic* diag) {
    if (!InBlock(s, Block::RuleLevel)) {
        return Reject(diag, line.text,
                      s.inRule ? std::string("END_RULE inside ") + OpenBlockName(s)
                               : std::string("END_RULE without BEGIN_RULE"));
    }
    s.rules.push_back(std::move(s.currentRule));
    s.inRule = false;
    s.criteriaSeen = false;
    s.actionSeen = false;
    return true;
}

// ---- actions without arguments: the rest of the line is ignored ----------

template <typename Kind>
bool SimpleAction(Script& s, TextSpan line, Diagnostic* diag, std::string_view keyword) {
    if (!RequireBlock(s, Block::Action, keyword, line, diag)) return false;
    AppendAction(s, std::make_unique<Kind>());
    return true;
}

#define TRELMIX_SIMPLE(Name, Kind, Keyword) \
    bool Name(Script& s, TextSpan line, Diagnostic* diag) { \
        return SimpleAction<CAction::Kind>(s, line, diag, Keyword); \
    }
TRELMIX_SIMPLE(RemoveSpaces, RemoveSpaces, "REMOVE_SPACES")
TRELMIX_SIMPLE(RemoveZeros, RemoveZeros, "REMOVE_ZEROS")
TRELMIX_SIMPLE(CrunchSpaces, CrunchSpaces, "CRUNCH_SPACES")
TRELMIX_SIMPLE(SkipStart, SkipStart, "SKIP_START")
TRELMIX_SIMPLE(SkipEnd, SkipEnd, "SKIP_END")
TRELMIX_SIMPLE(SendAll, SendAll, "SEND_ALL")
TRELMIX_SIMPLE(SendRem, SendRem, "SEND_REM")
#undef TRELMIX_SIMPLE

// ---- the dispatch table ---------------------------------------------------

struct Keyword {
    std::u16string_view name;
    KeywordHandler handler;
};

// Tried in this order; the first keyword the line begins with is taken. Rows
// from kFirstSendRow on are recognised only in keyboard mode.
constexpr Keyword kKeywords[] = {
    {u"BEGIN_RULE", BeginRule},               // 1
    {u"SET_RULESET", ParseSetRuleset},        // 2
    {u"BEGIN_CRITERIA", BeginCriteria},       // 3
    {u"CODE_LIST", ParseCodeList},            // 4
    {u"CODE_LENGTH", ParseCodeLength},        // 5
    {u"CODE_MATCH", ParseCodeMatch},          // 6
    {u"WILDCARD_MATCH", ParseWildcardMatch},  // 7
    {u"PROTOCOL_MATCH", ParseProtocolMatch},  // 8
    {u"END_CRITERIA", EndCriteria},           // 9
    {u"BEGIN_ACTION", BeginAction},           // 10
    {u"PAD_SPACES", ParsePadSpaces},          // 11
    {u"PAD_ZEROS", ParsePadZeros},            // 12
    {u"REMOVE_SPACES", RemoveSpaces},         // 13
    {u"REMOVE_ZEROS", RemoveZeros},           // 14
    {u"CRUNCH_SPACES", CrunchSpaces},         // 15
    {u"SKIP_START", SkipStart},               // 16
    {u"SKIP_END", SkipEnd},                   // 17
    {u"SKIP_AHEAD", ParseSkipAhead},          // 18
    {u"SKIP_BACK", ParseSkipBack},            // 19
    {u"REPLACE_ALL", ParseReplaceAll},        // 20
    {u"REPLACE_FIRST", ParseReplaceFirst},    // 21
    {u"MOVE_BEFORE", ParseMoveBefore},        // 22
    {u"MOVE_AFTER", ParseMoveAfter},          // 23
    {u"APPEND", ParseAppend},                 // 24
    {u"PREPEND", ParsePrepend},               // 25
    {u"INSERT", ParseInsert},                 // 26
    {u"RULESET_ON", ParseRulesetOn},          // 27
    {u"RULESET_OFF", ParseRulesetOff},        // 28
    {u"END_ACTION", EndAction},               // 29
    {u"END_RULE", EndRule},                   // 30
    {u"SEND_ALL", SendAll},                   // 31
    {u"SEND_REM", SendRem},                   // 32
    {u"SEND_UNTIL", ParseSendUntil},          // 33
    {u"SEND_PAUSE", ParseSendPause},          // 34
    {u"SEND_ASCII", ParseSendAscii},          // 35
    {u"SEND_ALT", ParseSendAlt},              // 36
    {u"SEND_FUNC", ParseSendFunc},            // 37
    {u"SEND_EXTN", ParseSendExtn},            // 38
    {u"SEND_WIN", ParseSendWin},              // 39
    {u"SEND_CTRL", ParseSendCtrl},            // 40
    {u"SEND_NPAD", ParseSendNumpad},          // 41
};
constexpr std::size_t kFirstSendRow = 30;  // index of SEND_ALL
static_assert(std::size(kKeywords) == 41);

bool BeginsWith(TextSpan line, std::u16string_view keyword) {
    return line.length >= keyword.size() &&
           std::u16string_view(line.text, keyword.size()) == keyword;
}

const Keyword* FindKeyword(TextSpan line, bool keyboardMode) {
    const std::size_t rows = keyboardMode ? std::size(kKeywords) : kFirstSendRow;
    for (std::size_t i = 0; i < rows; ++i) {
        if (BeginsWith(line, kKeywords[i].name)) return &kKeywords[i];
    }
    return nullptr;
}

std::uint32_t TextLength(const char16_t* text) {
    std::uint32_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

bool IsKeyboardClient(const HostId& id) {
    return std::memcmp(&id, &KeyboardClientId, sizeof(HostId)) == 0;
}

bool CompileScript(Script& script, const char16_t* text, bool keyboardMode, CompileReport* report) {
    if (!text) return false;
    script.currentRule.reset();
    script.inRule = script.inCriteria = script.inAction = false;
    script.criteriaSeen = script.actionSeen = false;

    const std::uint32_t length = TextLength(text);
    std::int64_t position = 0;
    bool accepted = true;
    const char16_t* openRuleAt = nullptr;
    while (position >= 0) {
        TextSpan line = NextLine(text, length, position);
        line = TrimLeft(line, kLineBlanks);
        if (line.empty()) continue;
        const Keyword* keyword = FindKeyword(line, keyboardMode);
        if (!keyword) {
            if (report) report->ignoredLines.push_back(line.text);
            continue;
        }
        Diagnostic diag;
        if (!keyword->handler(script, line, report ? &diag : nullptr)) {
            if (report) {
                report->rejected = true;
                report->error = std::move(diag);
                if (!report->error.at) report->error.at = line.text;
            }
            accepted = false;
            break;
        }
        if (report) {
            if (keyword->handler == BeginRule) openRuleAt = line.text;
            if (keyword->handler == EndRule) {
                report->ruleStarts.push_back(openRuleAt);
                openRuleAt = nullptr;
            }
        }
    }
    if (accepted && report && script.currentRule) report->openRule = openRuleAt;
    // A rule still open at the end is dropped; it is not an error.
    script.currentRule.reset();
    if (accepted) BuildRuleIndex(script);

    std::u16string_view message;
    if (keyboardMode) {
        message = accepted ? u"SIMULATED HID KEYBOARD TRELM SCRIPT LOADED SUCCESSFULLY."
                           : u"SIMULATED HID KEYBOARD TRELM SCRIPT ERROR DETECTED.";
    } else {
        message = accepted ? u"APPLICATION TRELM SCRIPT LOADED SUCCESSFULLY."
                           : u"APPLICATION TRELM SCRIPT ERROR DETECTED.";
    }
    ReportEvent(kEventSource, message);
    return accepted;
}

}  // namespace trelmix
