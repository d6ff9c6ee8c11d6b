// The keywords of the script language: one table, read by the compiler (which
// dispatches each line from it), by `trelmix check` and by the reference the
// command prints. Every fact about a keyword lives in its row.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace trelmix {

struct ScriptBuilder;
struct Statement;

// A keyword's parser: checks the arguments of one line and adds what it read
// to the script being built. False rejects the whole script.
using KeywordHandler = bool (*)(ScriptBuilder& builder, const Statement& statement);

// Where a keyword may stand; the compiler rejects it anywhere else.
enum class Block : std::uint8_t {
    Outside,    // between rules
    RuleLevel,  // inside a rule, outside its criteria and action blocks
    Criteria,   // inside BEGIN_CRITERIA ... END_CRITERIA
    Action,     // inside BEGIN_ACTION ... END_ACTION
};

// The part of a criteria block a clause sets. A later line of the same clause
// replaces the earlier one, except CODE_LIST's lines, which add up.
enum class Criterion : std::uint8_t { None, CodeList, Length, Match, Wildcard, Protocol };

struct KeywordInfo {
    std::string_view name;       // upper case, as written; no name begins another
    KeywordHandler handler;
    Block block;                 // where it is allowed
    bool keyboardOnly;           // recognised only in the simulated keyboard's script
    std::string_view synopsis;   // how a line uses it, e.g. "PAD_SPACES(count)"
    std::string_view arguments;  // its arguments in an author's words ("" for none)
    std::string_view summary;    // what it does, in one line
    bool decodesEscapes = false; // its quoted texts turn each &#xHH; into the byte HH
    Criterion criterion = Criterion::None;  // a criteria clause: what it sets
};

// Where a block is, in an author's words ("inside BEGIN_ACTION ... END_ACTION").
std::string_view WhereAllowed(Block block);

// Every keyword, in the order a script uses them (structure, criteria,
// actions, then the send actions).
std::span<const KeywordInfo> Keywords();

// The row named exactly `name`, or null.
const KeywordInfo* FindKeyword(std::string_view name);

// The keyword a line begins with, or null. Without keyboard mode the
// keyboard-only rows are not recognised.
const KeywordInfo* LeadingKeyword(std::u16string_view line, bool keyboardMode);

}  // namespace trelmix
