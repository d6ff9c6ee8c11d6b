#include "script/keyword_support.h"

namespace trelmix {

bool Reject(Diagnostic* diag, const char16_t* at, std::string reason) {
    if (diag) {
        diag->at = at;
        diag->reason = std::move(reason);
    }
    return false;
}

bool InBlock(const Script& s, Block block) {
    const Rule* rule = s.currentRule.get();
    switch (block) {
    case Block::Outside: return !s.inRule && !s.inCriteria && !s.inAction;
    case Block::RuleLevel: return s.inRule && !s.inCriteria && !s.inAction && rule;
    case Block::Criteria: return s.inRule && s.inCriteria && !s.inAction && rule && rule->criteria;
    case Block::Action: return s.inRule && !s.inCriteria && s.inAction && rule && rule->actions;
    }
    return false;
}

static std::string Where(Block block) {
    switch (block) {
    case Block::Outside: return "outside rules (after END_RULE or before the first BEGIN_RULE)";
    case Block::RuleLevel: return "inside a rule, outside its criteria and action blocks";
    case Block::Criteria: return "inside BEGIN_CRITERIA ... END_CRITERIA";
    case Block::Action: return "inside BEGIN_ACTION ... END_ACTION";
    }
    return "";
}

bool RequireBlock(const Script& script, Block block, std::string_view keyword, TextSpan line,
                  Diagnostic* diag) {
    if (InBlock(script, block)) return true;
    return Reject(diag, line.text, std::string(keyword) + " is only allowed " + Where(block));
}

bool ReadArguments(TextSpan line, std::string_view keyword, std::size_t min, std::size_t max,
                   std::string_view shape, ArgumentList& arguments, Diagnostic* diag) {
    ArgumentError error;
    if (!ParseArgumentList(line, arguments, &error)) {
        return Reject(diag, error.at, std::string(keyword) + " arguments: " + error.reason);
    }
    const std::size_t got = arguments.size();
    if (got >= min && (max == 0 || got <= max)) return true;
    std::string takes;
    if (max == 0) {
        takes = "at least " + std::to_string(min);
    } else {
        takes = std::to_string(min);
    }
    takes += (min == 1 && max != 0) ? " argument" : " arguments";
    const char16_t* at = (max != 0 && got > max) ? arguments[max].text : arguments.front().text;
    return Reject(diag, at, std::string(keyword) + " takes " + takes + " (" + std::string(shape) + "), got " +
                      std::to_string(got));
}

static std::string Nth(std::size_t position, std::string_view keyword) {
    return "argument " + std::to_string(position) + " of " + std::string(keyword);
}

bool NumberArgument(TextSpan argument, std::string_view keyword, std::size_t position,
                    std::uint32_t& value, Diagnostic* diag) {
    if (ParseNumber(argument, value)) return true;
    return Reject(diag, argument.text, Nth(position, keyword) + " must be a number (digits only, no blanks)");
}

bool QuotedArgument(TextSpan argument, std::string_view keyword, std::size_t position, ByteArg& out,
                    Diagnostic* diag) {
    if (ParseQuotedString(argument, out)) return true;
    return Reject(diag, argument.text, Nth(position, keyword) + " must be a quoted string, like 'ABC'");
}

bool StringOrNumberArgument(TextSpan argument, std::string_view keyword, std::size_t position,
                            ByteArg& out, Diagnostic* diag) {
    if (ParseStringOrNumber(argument, out)) return true;
    return Reject(diag, argument.text, Nth(position, keyword) + " must be a quoted string or a number");
}

void AppendAction(Script& script, std::unique_ptr<ActionBase> action) {
    script.currentRule->actions->push_back(std::move(action));
}

}  // namespace trelmix
