#include "script/keywords.h"

#include <algorithm>
#include <iterator>

#include "script/keyword_support.h"

namespace trelmix {

namespace {

using K = ActionKind;
using B = Block;

constexpr KeywordInfo kKeywords[] = {
    // name, handler, where, keyboard only, synopsis, arguments, summary[, decodes &#xHH;[, criterion]]
    {"BEGIN_RULE", BeginRule, B::Outside, false, "BEGIN_RULE", "",
     "starts a rule; rules are tried in the order they end"},
    {"SET_RULESET", ParseSetRuleset, B::RuleLevel, false, "SET_RULESET(number)", "a number",
     "puts the rule in a ruleset: 1 to 31 can be switched, larger numbers are never on"},
    {"BEGIN_CRITERIA", BeginBlock<&Rule::criteria, B::Criteria>, B::RuleLevel, false, "BEGIN_CRITERIA", "",
     "starts the rule's criteria; without them the rule applies to every record and the run goes on"},
    {"CODE_LIST", ParseCodeList, B::Criteria, false, "CODE_LIST(type, ...)", "one or more numbers",
     "the record's code type must be one of these", false, Criterion::CodeList},
    {"CODE_LENGTH", ParseCodeLength, B::Criteria, false, "CODE_LENGTH(length)", "a number",
     "the record must have exactly this many bytes", false, Criterion::Length},
    {"CODE_MATCH", ParseCodeMatch, B::Criteria, false, "CODE_MATCH('text', position)",
     "a quoted string and a number", "the text must occur in the record at or after the position", true,
     Criterion::Match},
    {"WILDCARD_MATCH", ParseWildcardMatch, B::Criteria, false, "WILDCARD_MATCH('pattern')", "a quoted string",
     "the whole record must match the pattern, where * and ? are wildcards", true, Criterion::Wildcard},
    {"PROTOCOL_MATCH", ParseProtocolMatch, B::Criteria, false, "PROTOCOL_MATCH(protocol)", "a number",
     "the record must have come over this protocol", false, Criterion::Protocol},
    {"END_CRITERIA", EndBlock, B::Criteria, false, "END_CRITERIA", "", "ends the criteria"},
    {"BEGIN_ACTION", BeginBlock<&Rule::actions, B::Action>, B::RuleLevel, false, "BEGIN_ACTION", "",
     "starts the rule's actions; a rule whose criteria pass runs them and ends the run"},
    {"PAD_SPACES", CountedAction<K::PadSpace>, B::Action, false, "PAD_SPACES(count)", "a number",
     "adds count spaces after the data, when count is at most its length"},
    {"PAD_ZEROS", CountedAction<K::PadZero>, B::Action, false, "PAD_ZEROS(count)", "a number",
     "adds count zero digits after the data, when count is at most its length"},
    {"REMOVE_SPACES", SimpleAction<K::RemoveSpaces>, B::Action, false, "REMOVE_SPACES", "",
     "removes every space from the cursor on"},
    {"REMOVE_ZEROS", SimpleAction<K::RemoveZeros>, B::Action, false, "REMOVE_ZEROS", "",
     "removes every zero digit from the cursor on"},
    {"CRUNCH_SPACES", SimpleAction<K::CrunchSpaces>, B::Action, false, "CRUNCH_SPACES", "",
     "turns every run of spaces into one space"},
    {"SKIP_START", SimpleAction<K::SkipStart>, B::Action, false, "SKIP_START", "",
     "puts the cursor on the first byte"},
    {"SKIP_END", SimpleAction<K::SkipEnd>, B::Action, false, "SKIP_END", "", "puts the cursor on the last byte"},
    {"SKIP_AHEAD", CountedAction<K::SkipAhead>, B::Action, false, "SKIP_AHEAD(count)",
     "a number", "moves the cursor count bytes on, if it stays on a byte of the data"},
    {"SKIP_BACK", CountedAction<K::SkipBack>, B::Action, false, "SKIP_BACK(count)", "a number",
     "moves the cursor count bytes back, if it stays on a byte of the data"},
    {"REPLACE_ALL", TextAction<K::ReplaceAll, 2>, B::Action, false, "REPLACE_ALL('old', 'new')",
     "two quoted strings", "replaces every occurrence from the cursor on", true},
    {"REPLACE_FIRST", TextAction<K::ReplaceFirst, 2>, B::Action, false, "REPLACE_FIRST('old', 'new')",
     "two quoted strings", "replaces the first occurrence from the cursor on; the cursor ends after it", true},
    {"MOVE_BEFORE", TextAction<K::MoveBefore, 1>, B::Action, false, "MOVE_BEFORE('text')", "a quoted string",
     "puts the cursor on the next occurrence of the text", true},
    {"MOVE_AFTER", TextAction<K::MoveAfter, 1>, B::Action, false, "MOVE_AFTER('text')", "a quoted string",
     "puts the cursor just after the next occurrence of the text", true},
    {"APPEND", TextAction<K::Append, 1>, B::Action, false, "APPEND('text')", "a quoted string",
     "adds the text at the end", true},
    {"PREPEND", TextAction<K::Prepend, 1>, B::Action, false, "PREPEND('text')", "a quoted string",
     "adds the text at the start", true},
    {"INSERT", TextAction<K::Insert, 1>, B::Action, false, "INSERT('text')", "a quoted string",
     "adds the text before the byte under the cursor; the cursor ends after it", true},
    {"RULESET_ON", ParseRulesetOn, B::Action, false, "RULESET_ON(number)", "a number",
     "switches a ruleset on at once, for the rest of this run and the records that follow"},
    {"RULESET_OFF", CountedAction<K::RulesetOff>, B::Action, false, "RULESET_OFF(number)",
     "a number", "switches a ruleset off at once, for the rest of this run and the records that follow"},
    {"END_ACTION", EndBlock, B::Action, false, "END_ACTION", "", "ends the actions"},
    {"END_RULE", EndRule, B::RuleLevel, false, "END_RULE", "", "ends the rule"},
    {"SEND_ALL", SimpleAction<K::SendAll>, B::Action, true, "SEND_ALL", "",
     "types the whole data; the cursor goes to the start"},
    {"SEND_REM", SimpleAction<K::SendRem>, B::Action, true, "SEND_REM", "", "types the data from the cursor on"},
    {"SEND_UNTIL", KeyAction<K::SendUntil, KeyForm::Quoted>, B::Action, true, "SEND_UNTIL('delimiter')",
     "the delimiter as a quoted string, like ','", "types the data from the cursor up to the delimiter"},
    {"SEND_PAUSE", CountedAction<K::SendPause>, B::Action, true, "SEND_PAUSE(seconds)",
     "a number", "waits this many seconds"},
    {"SEND_ASCII", KeyAction<K::SendAscii, KeyForm::QuotedOrNumber>, B::Action, true, "SEND_ASCII('text' or code)",
     "a quoted text or a character number", "types a text, or the character with this number"},
    {"SEND_ALT", KeyAction<K::SendAlt, KeyForm::QuotedOrNumber, true>, B::Action, true, "SEND_ALT('key' or code)",
     "a quoted letter or digit, or a virtual-key number", "presses Alt with a key"},
    {"SEND_FUNC", CountedAction<K::SendFunc>, B::Action, true, "SEND_FUNC(number)", "a number",
     "presses a function key, F1 to F24"},
    {"SEND_EXTN", KeyAction<K::SendExtn, KeyForm::Quoted>, B::Action, true, "SEND_EXTN('name')",
     "a quoted key name, like 'RET'", "presses a key by its three-letter name (RET, TAB, ESC, ARL ...)"},
    {"SEND_WIN", KeyAction<K::SendWin, KeyForm::QuotedOrNumber>, B::Action, true, "SEND_WIN('key' or code)",
     "a quoted character or a virtual-key number", "presses the Windows key with a key"},
    {"SEND_CTRL", KeyAction<K::SendCtrl, KeyForm::QuotedOrNumber>, B::Action, true, "SEND_CTRL('key' or code)",
     "a quoted character or a virtual-key number", "presses Ctrl with a key"},
    {"SEND_NPAD", KeyAction<K::SendNumpad, KeyForm::Quoted>, B::Action, true, "SEND_NPAD('key')",
     "a quoted keypad key, '0' to '9' or '.'", "presses a key of the numeric keypad"},
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

bool BeginsWith(std::u16string_view line, std::string_view name) {
    return line.size() >= name.size() &&
           std::equal(name.begin(), name.end(), line.begin(),
                      [](char a, char16_t b) { return static_cast<char16_t>(a) == b; });
}

}  // namespace

std::span<const KeywordInfo> Keywords() { return kKeywords; }

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
