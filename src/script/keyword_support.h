// What every keyword handler shares: the compiler's working state, the line
// being compiled, the argument list with its count, the argument conversions,
// the report of why a line failed, and the handlers of the common shapes.
//
// The compiler has checked the line's block against the keyword's row before
// the handler runs; the handler reads its arguments, then stores what it read,
// and the compiler moves on to the block the row names as `after`.
// Any false result rejects the whole script. `diag` may be null (the host
// path); when given, a failing handler fills it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"
#include "actions/program.h"
#include "script/diagnostic.h"
#include "script/keywords.h"
#include "script/text.h"

namespace trelmix {

// The compiler's working state. It lives only while CompileScript runs;
// nothing of it stays in the Program.
struct ScriptBuilder {
    explicit ScriptBuilder(Program& built) : program(built) {}

    Program& program;
    std::uint32_t line = 0;                            // the line being compiled, from 1
    std::uint32_t ruleLine = 0;                        // the open rule's BEGIN_RULE line
    std::vector<SourceLines::ClauseLine> clauseLines;  // the open rule's clauses
    std::optional<Rule> currentRule;                   // from BEGIN_RULE to END_RULE, else empty
    Block block = Block::Outside;                      // where the next line stands
    std::uint32_t rulesetsSwitchedOn = 0;              // bit n: the current rule has RULESET_ON(n)
};

// One line that begins with a keyword.
struct Statement {
    const KeywordInfo& keyword;
    TextSpan line;     // from the keyword to the end of the line
    Diagnostic* diag;  // null on the host path
};

// Fills `diag` (when given) and returns false.
bool Reject(Diagnostic* diag, const char16_t* at, std::string reason);

// True when the line stands where its keyword is allowed, else a rejection
// that names where it belongs (or which block is left open).
bool CheckBlock(const ScriptBuilder& builder, const Statement& statement);

// ParseArgumentList, then a count between min and max (max 0: no limit); the
// report names the keyword's arguments in the author's words.
bool ReadArguments(const Statement& statement, std::size_t min, std::size_t max, ArgumentList& arguments);

// The conversions of one argument, reporting its position (from 1) on failure.
// A quoted text of a keyword whose row says decodesEscapes has its &#xHH;
// escapes undone.
bool NumberArgument(const Statement& statement, TextSpan argument, std::size_t position, std::uint32_t& value);
bool QuotedArgument(const Statement& statement, TextSpan argument, std::size_t position, ByteArg& out);
bool StringOrNumberArgument(const Statement& statement, TextSpan argument, std::size_t position, ByteArg& out);

// Appends a finished action to the script's array, in the current rule's
// block (the open rule's actions are always the array's last). May throw
// std::bad_alloc.
void AppendAction(ScriptBuilder& builder, Action action);

// ---- handlers of the common shapes; each builds the action its row names ----

// An action without arguments: the rest of the line is ignored.
bool SimpleAction(ScriptBuilder& builder, const Statement& statement);

// An action that takes one number into its count.
bool CountedAction(ScriptBuilder& builder, const Statement& statement);

// An action that takes `Texts` (1 or 2) quoted texts into arg1 and arg2.
template <int Texts>
bool TextAction(ScriptBuilder& builder, const Statement& st) {
    ArgumentList args;
    if (!ReadArguments(st, Texts, Texts, args)) return false;
    Action action(*st.keyword.action);
    ByteArg* texts[] = {&action.arg1, &action.arg2};
    for (int i = 0; i < Texts; ++i) {
        if (!QuotedArgument(st, args[i], i + 1, *texts[i])) return false;
    }
    AppendAction(builder, std::move(action));
    return true;
}

// A send action that takes one key text into arg1: quoted only, or quoted or
// a number, as its row's KeyArgument says.
bool KeyAction(ScriptBuilder& builder, const Statement& statement);

// ---- handlers of their own shape ---------------------------------------------

// The block keywords (script/keyword_support.cpp).
bool BeginRule(ScriptBuilder& builder, const Statement& statement);
bool EndBlock(ScriptBuilder& builder, const Statement& statement);  // END_CRITERIA, END_ACTION
bool EndRule(ScriptBuilder& builder, const Statement& statement);

// BEGIN_CRITERIA and BEGIN_ACTION: once per rule, each makes the part of the
// rule (`Part`: its Criteria or its ActionRange) that its block fills.
template <auto Part>
bool BeginBlock(ScriptBuilder& builder, const Statement& st) {
    auto& part = (*builder.currentRule).*Part;
    if (part) return Reject(st.diag, st.line.text, "a second " + std::string(st.keyword.name) + " in one rule");
    part.emplace();
    return true;
}

// The criteria clauses and the rulesets (script/rule_keywords.cpp).
bool ParseCodeList(ScriptBuilder& builder, const Statement& statement);
bool ParseCodeLength(ScriptBuilder& builder, const Statement& statement);
bool ParseCodeMatch(ScriptBuilder& builder, const Statement& statement);
bool ParseWildcardMatch(ScriptBuilder& builder, const Statement& statement);
bool ParseProtocolMatch(ScriptBuilder& builder, const Statement& statement);
bool ParseSetRuleset(ScriptBuilder& builder, const Statement& statement);
bool ParseRulesetOn(ScriptBuilder& builder, const Statement& statement);

}  // namespace trelmix
