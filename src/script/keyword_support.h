// What every keyword handler shares: the block check, the argument list with
// its count, the argument conversions, and the report of why a line failed.
//
// A handler has the shape
//     bool ParseXxx(Script& script, TextSpan line, Diagnostic* diag);
// It checks the block first, then reads its arguments, then stores what it
// read; any false result rejects the whole script. `diag` may be null (the
// host path); when given, a failing handler fills it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "script/diagnostic.h"
#include "script/model.h"
#include "script/text.h"

namespace trelmix {

using KeywordHandler = bool (*)(Script& script, TextSpan line, Diagnostic* diag);

enum class Block { Outside, RuleLevel, Criteria, Action };

// Fills `diag` (when given) and returns false.
bool Reject(Diagnostic* diag, const char16_t* at, std::string reason);

// True when the script's block state is `block` and the current rule has what
// that block builds (its Criteria, its ActionList).
bool InBlock(const Script& script, Block block);

// InBlock, or a rejection naming where `keyword` belongs.
bool RequireBlock(const Script& script, Block block, std::string_view keyword, TextSpan line,
                  Diagnostic* diag);

// ParseArgumentList, then a count between min and max (max 0: no limit).
// `shape` describes the expected arguments for the report, e.g.
// "a quoted string and a number".
bool ReadArguments(TextSpan line, std::string_view keyword, std::size_t min, std::size_t max,
                   std::string_view shape, ArgumentList& arguments, Diagnostic* diag);

// The conversions of one argument, reporting its position (from 1) on failure.
bool NumberArgument(TextSpan argument, std::string_view keyword, std::size_t position,
                    std::uint32_t& value, Diagnostic* diag);
bool QuotedArgument(TextSpan argument, std::string_view keyword, std::size_t position, ByteArg& out,
                    Diagnostic* diag);
bool StringOrNumberArgument(TextSpan argument, std::string_view keyword, std::size_t position,
                            ByteArg& out, Diagnostic* diag);

// Appends a finished action to the current rule's list (RequireBlock with
// Block::Action must have passed). May throw std::bad_alloc.
void AppendAction(Script& script, std::unique_ptr<ActionBase> action);

// A handler for a keyword that takes one number into a counted action kind.
template <typename Kind, auto Member>
bool ParseCountedAction(Script& script, TextSpan line, Diagnostic* diag, std::string_view keyword) {
    if (!RequireBlock(script, Block::Action, keyword, line, diag)) return false;
    ArgumentList args;
    if (!ReadArguments(line, keyword, 1, 1, "a number", args, diag)) return false;
    std::uint32_t value = 0;
    if (!NumberArgument(args[0], keyword, 1, value, diag)) return false;
    auto action = std::make_unique<Kind>();
    action.get()->*Member = static_cast<std::int32_t>(value);
    AppendAction(script, std::move(action));
    return true;
}

}  // namespace trelmix
