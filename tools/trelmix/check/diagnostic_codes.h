// Every diagnostic `trelmix check` can give, in one table: its stable code,
// severity, group, a one-line summary and where docs/language.md explains it.
// `check --list-warnings` prints the table, `--format jsonl` names the code of
// each diagnostic, `-W no-GROUP` and `--no-warn CODE` switch rows off, and the
// editors read the same rows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trelmix::cli {

// Errors reject the script; warnings are almost always mistakes (`--werror`
// fails on them); notes point at what may be meant (`--werror` ignores them).
enum class Severity : std::uint8_t { Error, Warning, Note };

// X(Enumerator, "code", Severity, "group", "summary", "anchor in docs/language.md")
#define TRELMIX_DIAGNOSTICS(X)                                                                                         \
    X(ScriptRejected, "script-rejected", Error, "script", "the line the library rejects the script at, and why",       \
      "trying-scripts-with-trelmix")                                                                                   \
    X(ScriptEmpty, "script-empty", Error, "script", "an empty script text removes the id's script",                    \
      "trying-scripts-with-trelmix")                                                                                   \
    X(FileUnreadable, "file-unreadable", Error, "script", "the script file cannot be read",                            \
      "trying-scripts-with-trelmix")                                                                                   \
    X(FileMissing, "file-missing", Error, "script", "a SCRIPT argument that looks like a file name names no file",     \
      "trying-scripts-with-trelmix")                                                                                   \
    X(NoRules, "no-rules", Warning, "script", "a script without a rule passes every record unchanged",                 \
      "lines-and-blocks")                                                                                              \
    X(ByteOrderMark, "byte-order-mark", Warning, "keywords", "a UTF-8 byte-order mark hides the first line's keyword", \
      "bytes-files-and-encodings")                                                                                     \
    X(KeywordCase, "keyword-case", Warning, "keywords", "a keyword not in upper case is a comment",                    \
      "keywords-and-comments")                                                                                         \
    X(KeywordMisspelt, "keyword-misspelt", Warning, "keywords", "a near miss of a keyword is a comment",               \
      "keywords-and-comments")                                                                                         \
    X(KeywordPrefix, "keyword-prefix", Warning, "keywords", "a longer word is read as the keyword it begins with",     \
      "keywords-and-comments")                                                                                         \
    X(KeywordAfterBlank, "keyword-after-blank", Warning, "keywords",                                                   \
      "a keyword after a blank other than space or tab is a comment", "keywords-and-comments")                         \
    X(SendIgnored, "send-ignored", Warning, "keywords", "a send keyword in an application script is a comment",        \
      "send-actions")                                                                                                  \
    X(ArgumentsIgnored, "arguments-ignored", Warning, "arguments", "arguments of a keyword that takes none",           \
      "arguments")                                                                                                     \
    X(TextAfterKeyword, "text-after-keyword", Warning, "arguments", "free text after a keyword is ignored",            \
      "keywords-and-comments")                                                                                         \
    X(TextBeforeArguments, "text-before-arguments", Warning, "arguments",                                              \
      "words between a keyword and its '(' are ignored", "arguments")                                                  \
    X(TextAfterArguments, "text-after-arguments", Warning, "arguments",                                                \
      "text after the argument list, which runs to the last ')'", "arguments")                                         \
    X(BackslashEscape, "backslash-escape", Warning, "text", "a backslash sequence other than \\' is not an escape",    \
      "arguments")                                                                                                     \
    X(EscapeNotUndone, "escape-not-undone", Warning, "text", "&#xHH; in a keyword that does not undo it",              \
      "bytes-in-texts-xhh")                                                                                            \
    X(EscapeMalformed, "escape-malformed", Warning, "text", "a malformed &#x..; stays as written",                     \
      "bytes-in-texts-xhh")                                                                                            \
    X(Utf8Text, "utf8-text", Warning, "text", "a character saved as UTF-8 is several bytes",                           \
      "bytes-files-and-encodings")                                                                                     \
    X(WideCharacter, "wide-character", Warning, "text", "a character above one byte keeps its low byte",               \
      "bytes-files-and-encodings")                                                                                     \
    X(Utf16File, "utf16-file", Warning, "text", "a UTF-16 file ends at its first zero byte",                           \
      "bytes-files-and-encodings")                                                                                     \
    X(ZeroByte, "zero-byte", Warning, "text", "the script ends at a zero byte", "bytes-files-and-encodings")           \
    X(SendFuncRange, "send-func-range", Warning, "sends", "SEND_FUNC outside 1 to 24 presses nothing", "send_func")    \
    X(SendAltExtra, "send-alt-extra", Warning, "sends", "SEND_ALT uses its first argument only", "send_alt")           \
    X(SendKeyName, "send-key-name", Warning, "sends", "a SEND_EXTN name that is no key", "key-names")                  \
    X(SendEmpty, "send-empty", Warning, "sends", "an empty text sends nothing", "send-actions")                        \
    X(SendNoKey, "send-no-key", Warning, "sends", "a key text that no key of the layout types", "send-actions")        \
    X(SendNoShift, "send-no-shift", Warning, "sends", "a modifier key pressed without the Shift its character needs",  \
      "send-actions")                                                                                                  \
    X(SendFirstCharacter, "send-first-character", Warning, "sends", "a key text of several characters uses the first", \
      "send-actions")                                                                                                  \
    X(SendNumberBlank, "send-number-blank", Warning, "sends", "a number with a blank in it is not read as a number",   \
      "send-actions")                                                                                                  \
    X(SendCodeRange, "send-code-range", Warning, "sends", "a character or virtual-key number out of range",            \
      "virtual-key-codes")                                                                                             \
    X(PauseLong, "pause-long", Warning, "sends", "SEND_PAUSE counts seconds, and the host waits with it",              \
      "send_pause")                                                                                                    \
    X(SendUntilLast, "send-until-last", Note, "sends",                                                                 \
      "SEND_UNTIL as a rule's last send types nothing without its delimiter", "send_until")                            \
    X(PadNeverPads, "pad-never-pads", Warning, "actions", "a pad count the rule's CODE_LENGTH never lets pad",         \
      "pad-to-a-fixed-width")                                                                                          \
    X(PadWithoutLength, "pad-without-length", Note, "actions",                                                         \
      "PAD_SPACES/PAD_ZEROS adds bytes, it does not pad to a width", "pad-to-a-fixed-width")                           \
    X(CursorAfterFind, "cursor-after-find", Note, "actions",                                                           \
      "an action from the cursor on, with the cursor left after a found text", "the-rules-authors-trip-on")            \
    X(RuleUnclosed, "rule-unclosed", Warning, "rules", "the text ends inside a rule", "lines-and-blocks")              \
    X(RuleUnreachable, "rule-unreachable", Warning, "rules", "an earlier rule ends every run that would reach it",     \
      "how-a-script-runs")                                                                                             \
    X(RuleImpossible, "rule-impossible", Warning, "rules",                                                             \
      "an earlier rule edits every record so that the criteria cannot pass", "how-a-script-runs")                      \
    X(ClauseRepeated, "clause-repeated", Warning, "rules", "a criteria clause repeated in a block replaces the first", \
      "criteria")                                                                                                      \
    X(CodeMatchAnywhere, "code-match-anywhere", Note, "rules", "CODE_MATCH finds its text anywhere from the position", \
      "code_match")                                                                                                    \
    X(RulesetNeverOn, "ruleset-never-on", Warning, "rulesets", "a rule in a ruleset above 31 never applies",           \
      "set_ruleset")                                                                                                   \
    X(RulesetSwitchRange, "ruleset-switch-range", Warning, "rulesets",                                                 \
      "RULESET_ON/RULESET_OFF outside 1 to 31 does nothing", "rulesets")                                               \
    X(RulesetAlreadyOn, "ruleset-already-on", Note, "rulesets", "RULESET_ON of a set that nothing switches off",       \
      "rulesets")                                                                                                      \
    X(RulesetNeverSwitched, "ruleset-never-switched", Note, "rulesets", "SET_RULESET of a set no action switches",     \
      "rulesets")                                                                                                      \
    X(RulesetEmpty, "ruleset-empty", Note, "rulesets", "RULESET_OFF of a set no rule belongs to", "rulesets")

enum class Code : std::uint8_t {
#define TRELMIX_DIAGNOSTIC_CODE(Name, ...) Name,
    TRELMIX_DIAGNOSTICS(TRELMIX_DIAGNOSTIC_CODE)
#undef TRELMIX_DIAGNOSTIC_CODE
};

struct DiagnosticInfo {
    Code code;
    std::string_view name;  // stable: editors and --no-warn use it
    Severity severity;
    std::string_view group;    // -W no-GROUP switches the whole group off
    std::string_view summary;  // one line
    std::string_view anchor;   // the section of docs/language.md that explains it
};

std::span<const DiagnosticInfo> Diagnostics();
const DiagnosticInfo& Info(Code code);
std::string_view SeverityName(Severity severity);  // "error", "warning", "note"

// The row named `name`, or null.
const DiagnosticInfo* FindDiagnostic(std::string_view name);
bool IsDiagnosticGroup(std::string_view group);

// The table as `check --list-warnings` prints it: a line per row (code,
// severity, group, summary), or a JSON object per row.
std::string DiagnosticTableText(bool jsonl);

// Which diagnostics are switched off: by group and by code. Errors cannot be.
class DiagnosticFilter {
public:
    // "no-GROUP" (a -W value) or a code (a --no-warn value); false when it
    // names no group or no code.
    bool DisableGroup(std::string_view value);
    bool DisableCode(std::string_view code);
    bool Enabled(Code code) const;

private:
    std::uint64_t off_ = 0;  // bit per Code
};

}  // namespace trelmix::cli
