// The keywords of the script language: one table, read by the compiler (which
// dispatches each line from it), by `trelmix check` and by the reference the
// command prints. Every fact about a keyword lives in its row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "actions/action.h"
#include "actions/program.h"

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

// What the argument of a send keyword names.
enum class KeyArgument : std::uint8_t {
    None,           // no argument, or not a send keyword
    Text,           // a text typed as written, or one character by its number
    Delimiter,      // the byte typing stops before
    Seconds,        // how long to wait
    FunctionKey,    // a function key's number, 1 to 24
    KeyName,        // a key's three-letter name
    KeypadKey,      // a key of the numeric keypad: one of '0' to '9' and '.'
    LetterOrDigit,  // a letter or digit pressed with `modifier`, or a virtual-key number; more arguments are ignored
    ModifiedKey,    // the key that types a character, pressed with `modifier`, or a virtual-key number
};

struct KeywordInfo {
    std::string_view name;  // upper case, as written; no name begins another
    KeywordHandler handler;
    Block block;                       // where it is allowed
    Block after;                       // where the next line stands (differs for BEGIN_ and END_ keywords)
    bool keyboardOnly;                 // recognised only in the simulated keyboard's script
    std::string_view synopsis;         // how a line uses it, e.g. "PAD_SPACES(count)"
    std::string_view arguments;        // its arguments in an author's words ("" for none)
    std::string_view summary;          // what it does, in one line
    bool decodesEscapes;               // its quoted texts turn each &#xHH; into the byte HH
    Clause clause;                     // the criteria clause it sets, or None
    std::optional<ActionKind> action;  // the action it builds, if any
    KeyArgument key;                   // what its argument names, for a send keyword
    std::string_view modifier;         // the key it presses with its own ("Alt", "Ctrl", "Win"), or ""

    bool Opens() const { return Depth(after) > Depth(block); }   // BEGIN_RULE, BEGIN_CRITERIA, ...
    bool Closes() const { return Depth(after) < Depth(block); }  // END_RULE, END_CRITERIA, ...
    static constexpr int Depth(Block b) { return b == Block::Outside ? 0 : b == Block::RuleLevel ? 1 : 2; }
};

// The name of an action kind as the program spells it ("PadSpace").
std::string_view ActionKindName(ActionKind kind);

// The keyword that sets a criteria clause (CODE_LENGTH for Clause::Length);
// null for Clause::None.
const KeywordInfo* ClauseKeyword(Clause clause);

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
