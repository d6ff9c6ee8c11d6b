#include "script/keywords.h"

#include <algorithm>
#include <iterator>

#include "script/keyword_support.h"

namespace trelmix {

namespace {

using K = ActionKind;
using B = Block;
using Key = KeyArgument;

// The rows of each family, with what that family has in common filled in.
constexpr KeywordInfo Structure(std::string_view name, KeywordHandler handler, Block block, Block after,
                                std::string_view summary, std::string_view synopsis = {},
                                std::string_view arguments = "") {
    return {name,  handler,      block, after,     false, synopsis.empty() ? name : synopsis, arguments, summary,
            false, Clause::None, {},    Key::None, ""};
}
constexpr KeywordInfo Criterion(std::string_view name, KeywordHandler handler, Clause clause, std::string_view synopsis,
                                std::string_view arguments, std::string_view summary, bool decodesEscapes = false) {
    return {name,    handler,        B::Criteria, B::Criteria, false,     synopsis, arguments,
            summary, decodesEscapes, clause,      {},          Key::None, ""};
}
constexpr KeywordInfo Edit(std::string_view name, KeywordHandler handler, ActionKind kind, std::string_view synopsis,
                           std::string_view arguments, std::string_view summary, bool decodesEscapes = false) {
    return {name,    handler,        B::Action,    B::Action, false,     synopsis, arguments,
            summary, decodesEscapes, Clause::None, kind,      Key::None, ""};
}
constexpr KeywordInfo Send(std::string_view name, KeywordHandler handler, ActionKind kind, KeyArgument key,
                           std::string_view synopsis, std::string_view arguments, std::string_view summary,
                           std::string_view modifier = "") {
    return {name,    handler, B::Action,    B::Action, true, synopsis, arguments,
            summary, false,   Clause::None, kind,      key,  modifier};
}

constexpr KeywordInfo kKeywords[] = {
    Structure("BEGIN_RULE", BeginRule, B::Outside, B::RuleLevel,
              "starts a rule; rules are tried in the order they end"),
    Structure("SET_RULESET", ParseSetRuleset, B::RuleLevel, B::RuleLevel,
              "puts the rule in a ruleset: 1 to 31 can be switched, larger numbers are never on", "SET_RULESET(number)",
              "a number"),
    Structure("BEGIN_CRITERIA", BeginBlock<&Rule::criteria>, B::RuleLevel, B::Criteria,
              "starts the rule's criteria; without them the rule applies to every record and the run goes on"),
    Criterion("CODE_LIST", ParseCodeList, Clause::CodeList, "CODE_LIST(type, ...)", "one or more numbers",
              "the record's code type must be one of these"),
    Criterion("CODE_LENGTH", ParseCodeLength, Clause::Length, "CODE_LENGTH(length)", "a number",
              "the record must have exactly this many bytes"),
    Criterion("CODE_MATCH", ParseCodeMatch, Clause::Match, "CODE_MATCH('text', position)",
              "a quoted string and a number", "the text must occur in the record at or after the position", true),
    Criterion("WILDCARD_MATCH", ParseWildcardMatch, Clause::Wildcard, "WILDCARD_MATCH('pattern')", "a quoted string",
              "the whole record must match the pattern, where * and ? are wildcards", true),
    Criterion("PROTOCOL_MATCH", ParseProtocolMatch, Clause::Protocol, "PROTOCOL_MATCH(protocol)", "a number",
              "the record must have come over this protocol"),
    Structure("END_CRITERIA", EndBlock, B::Criteria, B::RuleLevel, "ends the criteria"),
    Structure("BEGIN_ACTION", BeginBlock<&Rule::actions>, B::RuleLevel, B::Action,
              "starts the rule's actions; a rule whose criteria pass runs them and ends the run"),
    Edit("PAD_SPACES", CountedAction, K::PadSpace, "PAD_SPACES(count)", "a number",
         "adds count spaces after the data, when count is at most its length"),
    Edit("PAD_ZEROS", CountedAction, K::PadZero, "PAD_ZEROS(count)", "a number",
         "adds count zero digits after the data, when count is at most its length"),
    Edit("REMOVE_SPACES", SimpleAction, K::RemoveSpaces, "REMOVE_SPACES", "", "removes every space from the cursor on"),
    Edit("REMOVE_ZEROS", SimpleAction, K::RemoveZeros, "REMOVE_ZEROS", "",
         "removes every zero digit from the cursor on"),
    Edit("CRUNCH_SPACES", SimpleAction, K::CrunchSpaces, "CRUNCH_SPACES", "",
         "turns every run of spaces into one space"),
    Edit("SKIP_START", SimpleAction, K::SkipStart, "SKIP_START", "", "puts the cursor on the first byte"),
    Edit("SKIP_END", SimpleAction, K::SkipEnd, "SKIP_END", "", "puts the cursor on the last byte"),
    Edit("SKIP_AHEAD", CountedAction, K::SkipAhead, "SKIP_AHEAD(count)", "a number",
         "moves the cursor count bytes on, if it stays on a byte of the data"),
    Edit("SKIP_BACK", CountedAction, K::SkipBack, "SKIP_BACK(count)", "a number",
         "moves the cursor count bytes back, if it stays on a byte of the data"),
    Edit("REPLACE_ALL", TextAction<2>, K::ReplaceAll, "REPLACE_ALL('old', 'new')", "two quoted strings",
         "replaces every occurrence from the cursor on", true),
    Edit("REPLACE_FIRST", TextAction<2>, K::ReplaceFirst, "REPLACE_FIRST('old', 'new')", "two quoted strings",
         "replaces the first occurrence from the cursor on; the cursor ends after it", true),
    Edit("MOVE_BEFORE", TextAction<1>, K::MoveBefore, "MOVE_BEFORE('text')", "a quoted string",
         "puts the cursor on the next occurrence of the text", true),
    Edit("MOVE_AFTER", TextAction<1>, K::MoveAfter, "MOVE_AFTER('text')", "a quoted string",
         "puts the cursor just after the next occurrence of the text", true),
    Edit("APPEND", TextAction<1>, K::Append, "APPEND('text')", "a quoted string", "adds the text at the end", true),
    Edit("PREPEND", TextAction<1>, K::Prepend, "PREPEND('text')", "a quoted string", "adds the text at the start",
         true),
    Edit("INSERT", TextAction<1>, K::Insert, "INSERT('text')", "a quoted string",
         "adds the text before the byte under the cursor; the cursor ends after it", true),
    Edit("RULESET_ON", ParseRulesetOn, K::RulesetOn, "RULESET_ON(number)", "a number",
         "switches a ruleset on at once, for the rest of this run and the records that follow"),
    Edit("RULESET_OFF", CountedAction, K::RulesetOff, "RULESET_OFF(number)", "a number",
         "switches a ruleset off at once, for the rest of this run and the records that follow"),
    Structure("END_ACTION", EndBlock, B::Action, B::RuleLevel, "ends the actions"),
    Structure("END_RULE", EndRule, B::RuleLevel, B::Outside, "ends the rule"),
    Send("SEND_ALL", SimpleAction, K::SendAll, Key::None, "SEND_ALL", "",
         "types the whole data; the cursor goes to the start"),
    Send("SEND_REM", SimpleAction, K::SendRem, Key::None, "SEND_REM", "", "types the data from the cursor on"),
    Send("SEND_UNTIL", KeyAction, K::SendUntil, Key::Delimiter, "SEND_UNTIL('delimiter')",
         "the delimiter as a quoted string, like ','", "types the data from the cursor up to the delimiter"),
    Send("SEND_PAUSE", CountedAction, K::SendPause, Key::Seconds, "SEND_PAUSE(seconds)", "a number",
         "waits this many seconds"),
    Send("SEND_ASCII", KeyAction, K::SendAscii, Key::Text, "SEND_ASCII('text' or code)",
         "a quoted text or a character number", "types a text, or the character with this number"),
    Send("SEND_ALT", KeyAction, K::SendAlt, Key::LetterOrDigit, "SEND_ALT('key' or code)",
         "a quoted letter or digit, or a virtual-key number", "presses Alt with a key", "Alt"),
    Send("SEND_FUNC", CountedAction, K::SendFunc, Key::FunctionKey, "SEND_FUNC(number)", "a number",
         "presses a function key, F1 to F24"),
    Send("SEND_EXTN", KeyAction, K::SendExtn, Key::KeyName, "SEND_EXTN('name')", "a quoted key name, like 'RET'",
         "presses a key by its three-letter name (RET, TAB, ESC, ARL ...)"),
    Send("SEND_WIN", KeyAction, K::SendWin, Key::ModifiedKey, "SEND_WIN('key' or code)",
         "a quoted character or a virtual-key number", "presses the Windows key with a key", "Win"),
    Send("SEND_CTRL", KeyAction, K::SendCtrl, Key::ModifiedKey, "SEND_CTRL('key' or code)",
         "a quoted character or a virtual-key number", "presses Ctrl with a key", "Ctrl"),
    Send("SEND_NPAD", KeyAction, K::SendNumpad, Key::KeypadKey, "SEND_NPAD('key')",
         "a quoted keypad key, '0' to '9' or '.'", "presses a key of the numeric keypad"),
};

// The compiler takes the first row a line begins with; when no name begins
// another, the order of the rows cannot change which one that is.
constexpr bool NoNameBeginsAnother() {
    for (const KeywordInfo& a : kKeywords) {
        for (const KeywordInfo& b : kKeywords) {
            if (&a != &b && b.name.starts_with(a.name)) return false;
        }
    }
    return true;
}
static_assert(NoNameBeginsAnother(), "a keyword name begins another");
static_assert(std::size(kKeywords) == 41, "the language has 41 keywords");

// Every action kind is built by exactly one keyword, and every clause set by one.
constexpr bool OneRowEach() {
    int kinds[256] = {};
    int clauses[8] = {};
    for (const KeywordInfo& k : kKeywords) {
        if (k.action) ++kinds[static_cast<int>(*k.action)];
        ++clauses[static_cast<int>(k.clause)];
    }
    int count = 0;
#define TRELMIX_KIND(Kind) count += kinds[static_cast<int>(ActionKind::Kind)] == 1 ? 0 : 1;
    TRELMIX_ACTION_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND
    for (Clause c : {Clause::Length, Clause::Protocol, Clause::CodeList, Clause::Match, Clause::Wildcard}) {
        count += clauses[static_cast<int>(c)] == 1 ? 0 : 1;
    }
    return count == 0;
}
static_assert(OneRowEach(), "an action kind or a clause has no keyword, or several");

bool BeginsWith(std::u16string_view line, std::string_view name) {
    return line.size() >= name.size() && std::equal(name.begin(), name.end(), line.begin(),
                                                    [](char a, char16_t b) { return static_cast<char16_t>(a) == b; });
}

}  // namespace

std::span<const KeywordInfo> Keywords() { return kKeywords; }

std::string_view ActionKindName(ActionKind kind) {
    switch (kind) {
#define TRELMIX_KIND(Kind) \
    case ActionKind::Kind: return #Kind;
        TRELMIX_ACTION_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND
    }
    return "";
}

const KeywordInfo* ClauseKeyword(Clause clause) {
    for (const KeywordInfo& k : kKeywords) {
        if (k.clause == clause && clause != Clause::None) return &k;
    }
    return nullptr;
}

std::string_view WhereAllowed(Block block) {
    switch (block) {
    case Block::Outside: return "outside rules (after END_RULE or before the first BEGIN_RULE)";
    case Block::RuleLevel: return "inside a rule, outside its criteria and action blocks";
    case Block::Criteria: return "inside BEGIN_CRITERIA ... END_CRITERIA";
    case Block::Action: return "inside BEGIN_ACTION ... END_ACTION";
    }
    return "";
}

const KeywordInfo* FindKeyword(std::string_view name) {
    for (const KeywordInfo& k : kKeywords) {
        if (k.name == name) return &k;
    }
    return nullptr;
}

const KeywordInfo* LeadingKeyword(std::u16string_view line, bool keyboardMode) {
    for (const KeywordInfo& k : kKeywords) {
        if ((keyboardMode || !k.keyboardOnly) && BeginsWith(line, k.name)) return &k;
    }
    return nullptr;
}

}  // namespace trelmix
