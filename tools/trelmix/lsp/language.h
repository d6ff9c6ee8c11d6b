// What an editor asks about a script, answered from the compiler, the
// diagnosis of `check` and the keyword table: diagnostics, hover, completion,
// symbols, folding, go to a ruleset's rules, formatting. Answers are the
// Language Server Protocol's JSON shapes; `trelmix lsp` sends them over stdio
// and the playground calls the same functions compiled to WebAssembly.
//
// A document is the editor's text in UTF-8, read as the library reads a
// script file (one unit per byte). Positions are the protocol's: lines and
// characters from 0, characters in UTF-16 units.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace trelmix::cli::lsp {

// The mode a script states in the comment lines that open it (its first
// line, usually): "# trelmix: keyboard" or "# trelmix: application";
// Unstated otherwise.
enum class ScriptMode { Unstated, Application, Keyboard };
ScriptMode DeclaredMode(std::u16string_view text);
ScriptMode DeclaredMode(std::string_view utf8);
// The mode stated by a SCRIPT argument of `check` or `run` (a file's first
// line, or inline text's), read as the library reads the argument.
ScriptMode DeclaredModeOf(const std::string& argument);

struct Position {
    std::uint32_t line = 0;
    std::uint32_t character = 0;
};

// Diagnostic[]: errors, warnings and notes, each with its code and, in
// `data.fixes`, the edits that fix it (TextEdit[]).
nlohmann::json Diagnostics(const std::string& text, bool keyboard);

// CodeAction[] (quick fixes) for the diagnostics a client hands back.
nlohmann::json CodeActions(const std::string& uri, const nlohmann::json& diagnostics);

// Hover or null: a keyword's reference, what a number or text argument means
// there, which key a key name presses.
nlohmann::json Hover(const std::string& text, bool keyboard, Position at);

// CompletionItem[] for the place: the keywords the block allows, key names
// inside SEND_EXTN(''), a whole rule between rules.
nlohmann::json Completion(const std::string& text, bool keyboard, Position at);

// DocumentSymbol[]: one per rule, with a one-line summary of its criteria.
nlohmann::json Symbols(const std::string& text);

// FoldingRange[]: rules and their blocks.
nlohmann::json Folds(const std::string& text);

// Location[]: from a SET_RULESET, RULESET_ON or RULESET_OFF line, the rules of
// that ruleset.
nlohmann::json Definition(const std::string& text, const std::string& uri, Position at);

// The text with its blocks indented as the language guide shows them. Only
// the blanks (spaces, tabs) that lead a line change.
std::string Format(const std::string& text);
// TextEdit[] turning `text` into Format(text).
nlohmann::json FormattingEdits(const std::string& text);

}  // namespace trelmix::cli::lsp
