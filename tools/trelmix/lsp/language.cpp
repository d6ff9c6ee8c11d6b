#include "lsp/language.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "check/diagnose.h"
#include "common/human_output.h"
#include "common/key_names.h"
#include "common/text_encoding.h"
#include "keyboard/emulation.h"
#include "platform/simulated/simulated_host.h"
#include "script/keywords.h"
#include "script/text.h"

namespace trelmix::cli::lsp {

using nlohmann::json;

namespace {

// ---- the document as lines ------------------------------------------------

struct Line {
    std::size_t start = 0;  // first byte
    std::size_t end = 0;    // just past the last byte before the line break
    std::size_t next = 0;   // the next line's first byte
};

// CR LF, a lone CR and a lone LF each end a line, as editors count them.
std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0;; ++i) {
        if (i == text.size()) {
            lines.push_back({start, i, i});
            return lines;
        }
        if (text[i] == '\r' || text[i] == '\n') {
            const std::size_t next = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? i + 2 : i + 1;
            lines.push_back({start, i, next});
            start = next;
            i = next - 1;
        }
    }
}

// Bytes widened one to one: the units the library reads from a script file.
std::u16string Units(std::string_view bytes) {
    std::u16string units(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), units.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return units;
}

// The length of a UTF-8 sequence starting with `lead`, or 1 for a stray byte.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const std::size_t n = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    }
    return n;
}

// Protocol characters (UTF-16 units) to a byte offset in a line, and back.
std::size_t ByteOffset(std::string_view line, std::uint32_t character) {
    std::size_t i = 0;
    for (std::uint32_t units = 0; i < line.size() && units < character;) {
        const std::size_t n = SequenceLength(line, i);
        units += n == 4 ? 2 : 1;
        i += n;
    }
    return i;
}

std::uint32_t Character(std::string_view line, std::size_t offset) {
    std::uint32_t units = 0;
    for (std::size_t i = 0; i < offset && i < line.size();) {
        const std::size_t n = SequenceLength(line, i);
        units += n == 4 ? 2 : 1;
        i += n;
    }
    return units;
}

json Pos(std::size_t line, std::uint32_t character) { return {{"line", line}, {"character", character}}; }
json Range(std::size_t line, std::uint32_t from, std::size_t toLine, std::uint32_t to) {
    return {{"start", Pos(line, from)}, {"end", Pos(toLine, to)}};
}

constexpr std::string_view kBlanks = " \t";

// A keyword line: its keyword (every row recognised, send keywords too) and
// where the keyword starts in the line.
struct KeywordLine {
    const KeywordInfo* keyword = nullptr;
    std::size_t at = 0;
};

KeywordLine ReadKeyword(std::string_view line) {
    const std::size_t at = std::min(line.find_first_not_of(kBlanks), line.size());
    return {LeadingKeyword(Units(line.substr(at)), true), at};
}

// What the structure keywords do, from their rows: BEGIN_RULE opens a rule
// from outside, END_RULE closes one; BEGIN_CRITERIA opens the criteria and
// END_CRITERIA closes them; SET_RULESET is the one other rule-level line.
bool OpensRule(const KeywordInfo* k) { return k && k->Opens() && k->block == Block::Outside; }
bool ClosesRule(const KeywordInfo* k) { return k && k->Closes() && k->after == Block::Outside; }
bool OpensCriteria(const KeywordInfo* k) { return k && k->Opens() && k->after == Block::Criteria; }
bool ClosesCriteria(const KeywordInfo* k) { return k && k->Closes() && k->block == Block::Criteria; }
bool SetsRuleset(const KeywordInfo* k) { return k && k->block == Block::RuleLevel && k->after == Block::RuleLevel; }
bool SwitchesRuleset(const KeywordInfo* k) {
    return k && (k->action == ActionKind::RulesetOn || k->action == ActionKind::RulesetOff);
}

// The block each line stands in, as the keywords before it open and close
// blocks (rejected scripts included: it only guides the editor).
std::vector<Block> BlocksBefore(std::string_view text, const std::vector<Line>& lines) {
    std::vector<Block> blocks;
    Block block = Block::Outside;
    for (const Line& l : lines) {
        blocks.push_back(block);
        const KeywordInfo* k = ReadKeyword(text.substr(l.start, l.end - l.start)).keyword;
        if (k && (k->Opens() || k->Closes())) block = k->after;
    }
    return blocks;
}

// The arguments of a keyword line, as spans of `units` (the line from its keyword).
std::vector<std::pair<std::size_t, std::size_t>> ArgumentSpans(const std::u16string& units) {
    ArgumentList arguments;
    const TextSpan line{static_cast<std::uint32_t>(units.size()), units.c_str()};
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    if (!ParseArgumentList(line, arguments)) return spans;
    for (const TextSpan& a : arguments) {
        spans.emplace_back(static_cast<std::size_t>(a.text - units.c_str()), a.length);
    }
    return spans;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

std::string AnchorOf(const KeywordInfo& k) { return "docs/language.md#" + Lower(k.name); }

// ---- rules ----------------------------------------------------------------------

struct RuleLines {
    std::size_t begin = 0, end = 0;  // line numbers of BEGIN_RULE and END_RULE (or the last line)
    bool ended = false;
    std::optional<std::uint32_t> ruleset;
    std::vector<std::string> clauses;  // criteria lines as written
    bool criteria = false;
};

std::vector<RuleLines> Rules(std::string_view text, const std::vector<Line>& lines) {
    std::vector<RuleLines> rules;
    bool open = false, inCriteria = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = text.substr(lines[n].start, lines[n].end - lines[n].start);
        const KeywordLine kl = ReadKeyword(line);
        const std::string_view written = line.substr(kl.at);
        if (OpensRule(kl.keyword)) {
            rules.emplace_back();
            rules.back().begin = n;
            open = true;
        }
        if (!open) continue;
        RuleLines& rule = rules.back();
        rule.end = n;
        if (ClosesRule(kl.keyword)) {
            rule.ended = true;
            open = false;
        } else if (OpensCriteria(kl.keyword)) {
            rule.criteria = inCriteria = true;
        } else if (ClosesCriteria(kl.keyword)) {
            inCriteria = false;
        } else if (inCriteria && kl.keyword) {
            rule.clauses.emplace_back(written.substr(0, written.find_last_not_of(" \t") + 1));
        } else if (SetsRuleset(kl.keyword)) {
            const std::u16string units = Units(written);
            const auto spans = ArgumentSpans(units);
            std::uint32_t value = 0;
            if (spans.size() == 1 &&
                ParseNumber({static_cast<std::uint32_t>(spans[0].second), units.c_str() + spans[0].first}, value)) {
                rule.ruleset = value;
            }
        }
    }
    return rules;
}

std::string CriteriaSummary(const RuleLines& rule) {
    std::string out;
    if (!rule.criteria) {
        out = "no criteria: every record, and the run goes on";
    } else if (rule.clauses.empty()) {
        out = "every record";
    }
    for (const std::string& clause : rule.clauses) out += (out.empty() ? "" : " · ") + clause;
    if (rule.ruleset) out += " · ruleset " + std::to_string(*rule.ruleset);
    if (!rule.ended) out += " · not ended: dropped";
    return out;
}

// ---- what an argument means -------------------------------------------------------

std::string Quoted(const ByteArg& arg) {
    std::string out = "'";
    for (std::uint8_t b : arg.bytes) {
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(static_cast<char>(b));
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += std::string("&#x") + kHex[b >> 4] + kHex[b & 15] + ";";
        }
    }
    return out + "'";
}

std::string KeyNameMeaning(const ByteArg& arg) {
    if (arg.bytes.size() >= 3) {
        for (const NamedKey& key : NamedKeys()) {
            if (std::equal(key.name, key.name + 3, arg.bytes.begin())) {
                return "presses " + VirtualKeyName(key.virtualKey) + " (" + key.name + ")";
            }
        }
    }
    return "names no key: the names are three capital letters, like RET or TAB";
}

std::string NumberMeaning(const KeywordInfo& k, std::size_t index, std::uint32_t n) {
    using K = ActionKind;
    const std::string count = std::to_string(n);
    const std::optional<K> kind = k.action;
    if (kind == K::PadSpace || kind == K::PadZero) {
        const bool zeros = kind == K::PadZero;
        return "adds " + Plural(n, zeros ? "zero" : "space", zeros ? "zeros" : "spaces") +
               " when the record has at least " + Plural(n, "byte", "bytes");
    }
    if (kind == K::SkipAhead || kind == K::SkipBack) {
        return "moves the cursor " + Plural(n, "byte", "bytes") + (kind == K::SkipAhead ? " on" : " back") +
               ", if it stays on a byte of the data";
    }
    if (k.clause == Clause::Length) return "the record must have exactly " + Plural(n, "byte", "bytes");
    if (k.clause == Clause::CodeList) return "code type " + count;
    if (k.clause == Clause::Protocol) return "the record must have come over protocol " + count;
    if (k.clause == Clause::Match && index == 1) {
        return n == 0 ? "0: the text may stand anywhere in the record"
                      : "the text may start at byte " + count + " (counted from 0) or anywhere after it";
    }
    if (SetsRuleset(&k)) {
        if (n == 0) return "0: no ruleset, the rule is always on";
        return n < 32 ? "the rule belongs to ruleset " + count + ", which RULESET_ON(" + count + ") and RULESET_OFF(" +
                            count + ") switch"
                      : "ruleset " + count + " is never on (1 to 31 can be switched)";
    }
    if (SwitchesRuleset(&k)) {
        return n >= 1 && n < 32 ? std::string("switches ruleset ") + count + (kind == K::RulesetOn ? " on" : " off") +
                                      " for the records that follow"
                                : "ruleset " + count + " cannot be switched (1 to 31 can)";
    }
    switch (k.key) {
    case KeyArgument::Seconds: return "waits " + Plural(n, "second", "seconds");
    case KeyArgument::FunctionKey: return n >= 1 && n <= 24 ? "presses F" + count : "presses nothing: F1 to F24 exist";
    case KeyArgument::Text: return "types the character number " + count;
    case KeyArgument::LetterOrDigit:
    case KeyArgument::ModifiedKey: {
        const std::string with = k.modifier == "Win" ? "the Windows key" : std::string(k.modifier);
        return "presses " + with + " with " + VirtualKeyName(n) + " (virtual key " + count + ")";
    }
    default: return "the number " + count;
    }
}

std::string TextMeaning(const KeywordInfo& k, std::size_t index, const ByteArg& arg) {
    using K = ActionKind;
    const std::optional<K> kind = k.action;
    const std::string text =
        Quoted(arg) + " (" + Plural(static_cast<std::uint32_t>(arg.bytes.size()), "byte", "bytes") + ")";
    if (k.key == KeyArgument::KeyName) return KeyNameMeaning(arg);
    if (kind == K::ReplaceAll || kind == K::ReplaceFirst) {
        return index == 0 ? "the text replaced: " + text : "what replaces it: " + text;
    }
    if (k.clause == Clause::Match) return "the record must hold " + text;
    if (k.clause == Clause::Wildcard) return "the pattern " + text + ": * is any run of bytes, ? any one byte";
    if (kind == K::MoveBefore || kind == K::MoveAfter) return "the text the cursor moves to: " + text;
    if (kind == K::Append || kind == K::Prepend || kind == K::Insert) return "the text added: " + text;
    if (k.key == KeyArgument::Delimiter)
        return "types up to the first " +
               Quoted({std::vector<std::uint8_t>(arg.bytes.begin(),
                                                 arg.bytes.begin() + std::min<std::size_t>(arg.bytes.size(), 1))});
    if (k.key == KeyArgument::KeypadKey) return "presses the keypad's " + Quoted(arg);
    if (k.keyboardOnly) return "the key or text " + text;
    return "the text " + text;
}

std::string KeywordDoc(const KeywordInfo& k, bool keyboard) {
    std::string out = "**`" + std::string(k.synopsis) + "`** " + std::string(k.summary) + "\n\n" + "Stands " +
                      std::string(WhereAllowed(k.block)) + ".";
    if (!k.arguments.empty()) out += " Arguments: " + std::string(k.arguments) + ".";
    if (k.keyboardOnly) {
        out += keyboard ? " Keyboard scripts only." : " Ignored here: this is an application script.";
    }
    return out + "\n\n[" + AnchorOf(k) + "](" + AnchorOf(k) + ")";
}

struct Document {
    std::string_view text;
    std::vector<Line> lines = SplitLines(text);
    std::string_view LineText(std::size_t n) const {
        return n < lines.size() ? text.substr(lines[n].start, lines[n].end - lines[n].start) : std::string_view{};
    }
};

}  // namespace

// ---- the mode ---------------------------------------------------------------

ScriptMode DeclaredMode(std::string_view utf8) {
    // The comment lines that open the script, up to the first other line.
    for (const Line& l : SplitLines(utf8)) {
        std::string_view line = utf8.substr(l.start, l.end - l.start);
        auto skip = [&](std::string_view what) {
            line.remove_prefix(std::min(line.find_first_not_of(kBlanks), line.size()));
            if (!line.starts_with(what)) return false;
            line.remove_prefix(what.size());
            return true;
        };
        if (!skip("#")) break;
        if (!skip("trelmix:")) continue;
        if (skip("keyboard")) return ScriptMode::Keyboard;
        if (skip("application")) return ScriptMode::Application;
    }
    return ScriptMode::Unstated;
}

ScriptMode DeclaredMode(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return DeclaredMode(bytes);
}

ScriptMode DeclaredModeOf(const std::string& argument) {
    const ScriptSource source = LoadScriptSource(FromCommandLine(argument), argument);
    return source.text.empty() ? ScriptMode::Unstated : DeclaredMode(std::u16string_view(source.text.data()));
}

// ---- diagnostics ----------------------------------------------------------------

namespace {

// The diagnostic's stable code, and its mechanical fixes as edits a code
// action applies.
void AddCodeAndFixes(json& d, const ScriptSource& source, const Finding& f) {
    d["code"] = std::string(Info(f.code).name);
    json edits = json::array();
    for (const Fix& fix : f.fixes) {
        const Place at = PlaceOf(source, {fix.from, f.code, "", "", fix.to});
        edits.push_back(
            {{"range", Range(at.line - 1, at.column - 1, at.line - 1, at.endColumn - 1)}, {"newText", fix.text}});
    }
    if (!edits.empty()) d["data"]["fixes"] = edits;
}

}  // namespace

json Diagnostics(const std::string& text, bool keyboard) {
    const Document doc{text};
    ScriptSource source;
    source.kind = ScriptSource::Kind::File;
    const std::u16string units = Units(text);
    source.text.assign(units.begin(), units.end());
    source.text.push_back(0);
    const platform::ScopedRecording recording;  // the compilation writes its load event
    const Diagnosis d = Diagnose(std::move(source), keyboard);
    // A send keyword in an application script is a comment; its warning
    // comes with a fix that states the keyboard mode in the first line.
    const bool statesMode = DeclaredMode(std::string_view(text)) != ScriptMode::Unstated;
    const json modeFix = {
        {"range", Range(0, 0, 0, statesMode ? Character(doc.LineText(0), doc.LineText(0).size()) : 0)},
        {"newText", statesMode ? "# trelmix: keyboard" : "# trelmix: keyboard\n"}};
    json out = json::array();
    for (const Finding& f : d.findings) {
        const Place p = PlaceOf(d.source, f);
        json diag = {{"range", Range(p.line - 1, p.column - 1, p.line - 1, p.endColumn - 1)},
                     {"severity", f.severity() == Severity::Error     ? 1
                                  : f.severity() == Severity::Warning ? 2
                                                                      : 3},
                     {"source", "trelmix"},
                     {"message", f.message + (f.hint.empty() ? "" : "; " + f.hint)}};
        AddCodeAndFixes(diag, d.source, f);
        const bool ignoredSend = std::any_of(d.ignoredSends.begin(), d.ignoredSends.end(), [&](const char16_t* line) {
            return Locate(d.source.text.data(), line).line == p.line;
        });
        if (ignoredSend && !diag.contains("data")) diag["data"]["fixes"] = json::array({modeFix});
        out.push_back(std::move(diag));
    }
    return out;
}

json CodeActions(const std::string& uri, const json& diagnostics) {
    json actions = json::array();
    if (!diagnostics.is_array()) return actions;
    for (const json& d : diagnostics) {
        if (!d.contains("data") || !d["data"].contains("fixes")) continue;
        actions.push_back({{"title", "Fix: " + d.value("message", std::string())},
                           {"kind", "quickfix"},
                           {"diagnostics", json::array({d})},
                           {"isPreferred", true},
                           {"edit", {{"changes", {{uri, d["data"]["fixes"]}}}}}});
    }
    return actions;
}

// ---- hover ------------------------------------------------------------------------

json Hover(const std::string& text, bool keyboard, Position at) {
    const Document doc{text};
    const std::string_view line = doc.LineText(at.line);
    const std::size_t offset = ByteOffset(line, at.character);
    const KeywordLine kl = ReadKeyword(line);
    if (!kl.keyword) return nullptr;
    const KeywordInfo& k = *kl.keyword;
    auto hover = [&](std::string markdown, std::size_t from, std::size_t to) {
        return json{{"contents", {{"kind", "markdown"}, {"value", std::move(markdown)}}},
                    {"range", Range(at.line, Character(line, from), at.line, Character(line, to))}};
    };
    if (offset >= kl.at && offset <= kl.at + k.name.size())
        return hover(KeywordDoc(k, keyboard), kl.at, kl.at + k.name.size());

    const std::u16string units = Units(line.substr(kl.at));
    const auto spans = ArgumentSpans(units);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const std::size_t from = kl.at + spans[i].first, to = from + spans[i].second;
        if (offset < from || offset > to) continue;
        const TextSpan arg{static_cast<std::uint32_t>(spans[i].second), units.c_str() + spans[i].first};
        std::string meaning;
        ByteArg bytes;
        std::uint32_t n = 0;
        if (ParseNumber(arg, n)) {
            meaning = NumberMeaning(k, i, n);
        } else if (ParseQuotedString(arg, bytes)) {
            if (k.decodesEscapes) DecodeHexEscapes(bytes);
            meaning = TextMeaning(k, i, bytes);
        } else {
            continue;
        }
        return hover("`" + std::string(k.name) + "`: " + meaning, from, to);
    }
    return nullptr;
}

// ---- completion -------------------------------------------------------------------

json Completion(const std::string& text, bool keyboard, Position at) {
    const Document doc{text};
    const std::string_view line = doc.LineText(at.line);
    const std::string_view before = line.substr(0, ByteOffset(line, at.character));
    json items = json::array();

    // Key names inside SEND_EXTN('...
    const auto named = std::find_if(Keywords().begin(), Keywords().end(),
                                    [](const KeywordInfo& k) { return k.key == KeyArgument::KeyName; });
    const std::string opening = std::string(named->name) + "('";
    const std::size_t extn = before.rfind(opening);
    if (extn != std::string_view::npos && before.find('\'', extn + opening.size()) == std::string_view::npos) {
        for (const NamedKey& key : NamedKeys()) {
            items.push_back({{"label", key.name}, {"kind", 21}, {"detail", VirtualKeyName(key.virtualKey)}});
        }
        return items;
    }
    // Keywords only where the first word is being written.
    const std::string_view word = before.substr(std::min(before.find_first_not_of(kBlanks), before.size()));
    if (!std::all_of(word.begin(), word.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; })) {
        return items;
    }
    const Block block = BlocksBefore(text, doc.lines)[std::min<std::size_t>(at.line, doc.lines.size() - 1)];
    for (const KeywordInfo& k : Keywords()) {
        if (k.block != block || (k.keyboardOnly && !keyboard)) continue;
        const std::string_view synopsis = k.synopsis;
        const std::size_t paren = synopsis.find('(');
        std::string insert(k.name);
        if (paren != std::string_view::npos) {
            insert += "(${1:" + std::string(synopsis.substr(paren + 1, synopsis.size() - paren - 2)) + "})";
        }
        items.push_back({{"label", k.name},
                         {"kind", 14},
                         {"detail", k.synopsis},
                         {"documentation", {{"kind", "markdown"}, {"value", KeywordDoc(k, keyboard)}}},
                         {"insertText", insert},
                         {"insertTextFormat", 2}});
    }
    if (block == Block::Outside) {
        items.push_back({{"label", "rule"},
                         {"kind", 15},
                         {"detail", "a whole rule: criteria and actions"},
                         {"filterText", "BEGIN_RULE rule"},
                         {"insertText",
                          "BEGIN_RULE\n    BEGIN_CRITERIA\n        ${1:CODE_LENGTH(8)}\n    END_CRITERIA\n"
                          "    BEGIN_ACTION\n        ${0:SKIP_START}\n    END_ACTION\nEND_RULE"},
                         {"insertTextFormat", 2}});
    }
    return items;
}

// ---- symbols, folding, rulesets -------------------------------------------------

json Symbols(const std::string& text) {
    const Document doc{text};
    json out = json::array();
    std::size_t number = 0;
    for (const RuleLines& rule : Rules(text, doc.lines)) {
        const std::uint32_t endCharacter = Character(doc.LineText(rule.end), doc.LineText(rule.end).size());
        const std::string_view begin = doc.LineText(rule.begin);
        const std::size_t at = ReadKeyword(begin).at;
        out.push_back(
            {{"name", "rule " + std::to_string(++number) + ": " + CriteriaSummary(rule)},
             {"detail", "lines " + std::to_string(rule.begin + 1) + "-" + std::to_string(rule.end + 1)},
             {"kind", 12},
             {"range", Range(rule.begin, 0, rule.end, endCharacter)},
             {"selectionRange", Range(rule.begin, Character(begin, at), rule.begin, Character(begin, at + 10))}});
    }
    return out;
}

json Folds(const std::string& text) {
    const Document doc{text};
    json out = json::array();
    std::optional<std::size_t> open[3];  // rule, criteria, action
    for (std::size_t n = 0; n < doc.lines.size(); ++n) {
        const KeywordInfo* k = ReadKeyword(doc.LineText(n)).keyword;
        if (!k) continue;
        if (!k->Opens() && !k->Closes()) continue;
        const Block inner = k->Opens() ? k->after : k->block;
        const int which = inner == Block::RuleLevel ? 0 : inner == Block::Criteria ? 1 : 2;
        if (k->Opens()) {
            open[which] = n;
        } else if (open[which]) {
            out.push_back({{"startLine", *open[which]}, {"endLine", n}, {"kind", "region"}});
            open[which].reset();
        }
    }
    return out;
}

json Definition(const std::string& text, const std::string& uri, Position at) {
    const Document doc{text};
    const std::string_view line = doc.LineText(at.line);
    const KeywordLine kl = ReadKeyword(line);
    json out = json::array();
    if (!SetsRuleset(kl.keyword) && !SwitchesRuleset(kl.keyword)) return out;
    const std::u16string units = Units(line.substr(kl.at));
    const auto spans = ArgumentSpans(units);
    std::uint32_t ruleset = 0;
    if (spans.size() != 1 ||
        !ParseNumber({static_cast<std::uint32_t>(spans[0].second), units.c_str() + spans[0].first}, ruleset)) {
        return out;
    }
    for (const RuleLines& rule : Rules(text, doc.lines)) {
        if (rule.ruleset != ruleset) continue;
        out.push_back({{"uri", uri},
                       {"range", Range(rule.begin, 0, rule.end,
                                       Character(doc.LineText(rule.end), doc.LineText(rule.end).size()))}});
    }
    return out;
}

// ---- formatting ------------------------------------------------------------------

namespace {

// The indentation of each line: rule level 4 blanks, inside a block 8; a
// block's closing keyword stands where its opening one does; comments take
// the level they stand at.
std::vector<std::size_t> Indents(std::string_view text, const std::vector<Line>& lines) {
    const std::vector<Block> blocks = BlocksBefore(text, lines);
    std::vector<std::size_t> indents;
    auto depth = [](Block b) -> std::size_t { return b == Block::Outside ? 0 : b == Block::RuleLevel ? 4 : 8; };
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const KeywordInfo* k = ReadKeyword(text.substr(lines[n].start, lines[n].end - lines[n].start)).keyword;
        std::size_t indent = depth(k ? k->block : blocks[n]);
        if (k && k->Closes()) indent -= 4;
        indents.push_back(indent);
    }
    return indents;
}

// Each line's leading blanks, and the ones the guide wants there: none on a
// line of blanks.
struct Lead {
    std::size_t length;
    std::string wanted;
};

std::vector<Lead> Leads(const std::string& text, const Document& doc) {
    const std::vector<std::size_t> indents = Indents(text, doc.lines);
    std::vector<Lead> leads;
    for (std::size_t n = 0; n < doc.lines.size(); ++n) {
        const std::string_view line = doc.LineText(n);
        const std::size_t lead = std::min(line.find_first_not_of(kBlanks), line.size());
        leads.push_back({lead, std::string(lead == line.size() ? 0 : indents[n], ' ')});
    }
    return leads;
}

}  // namespace

json FormattingEdits(const std::string& text) {
    const Document doc{text};
    const std::vector<Lead> leads = Leads(text, doc);
    json edits = json::array();
    for (std::size_t n = 0; n < doc.lines.size(); ++n) {
        if (doc.LineText(n).substr(0, leads[n].length) == leads[n].wanted) continue;
        edits.push_back(
            {{"range", Range(n, 0, n, static_cast<std::uint32_t>(leads[n].length))}, {"newText", leads[n].wanted}});
    }
    return edits;
}

std::string Format(const std::string& text) {
    const Document doc{text};
    const std::vector<Lead> leads = Leads(text, doc);
    std::string out;
    for (std::size_t n = 0; n < doc.lines.size(); ++n) {
        out.append(leads[n].wanted);
        out.append(doc.LineText(n).substr(leads[n].length));
        out.append(text, doc.lines[n].end, doc.lines[n].next - doc.lines[n].end);
    }
    return out;
}

}  // namespace trelmix::cli::lsp
