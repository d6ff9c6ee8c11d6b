#include "script/keyword_support.h"

namespace trelmix {

bool Reject(Diagnostic* diag, const char16_t* at, std::string reason) {
    if (diag) {
        diag->at = at;
        diag->reason = std::move(reason);
    }
    return false;
}

// ---- where a keyword may stand ---------------------------------------------

static std::string BlockNoun(Block block) {
    switch (block) {
    case Block::Criteria: return "criteria block";
    case Block::Action: return "action block";
    default: return "rule";
    }
}

static std::string ClosingKeyword(Block block) {
    switch (block) {
    case Block::Criteria: return "END_CRITERIA";
    case Block::Action: return "END_ACTION";
    default: return "END_RULE";
    }
}

// Whether a later line closes the open block: a block begun inside another
// one is a nesting, not a missing END, when its END comes further down.
static bool ClosedLater(const ScriptBuilder& builder, const Statement& st) {
    const std::string closing = ClosingKeyword(builder.block);
    for (const char16_t* p = st.line.text + st.line.length; *p;) {
        ++p;  // past the line's end
        while (*p == u' ' || *p == u'\t') ++p;
        const char16_t* end = p;
        while (*end && *end != u'\r' && *end != u'\n') ++end;
        const KeywordInfo* k = LeadingKeyword({p, static_cast<std::size_t>(end - p)}, true);
        if (k && k->name == closing) return true;
        p = end;
    }
    return false;
}

// The block keywords (BEGIN_..., END_...) say what is open or missing; the
// others say where they belong.
bool CheckBlock(const ScriptBuilder& builder, const Statement& st) {
    const KeywordInfo& k = st.keyword;
    if (builder.block == k.block) return true;
    const std::string name(k.name);
    const bool begins = k.Opens();
    const bool ends = k.Closes();
    std::string reason;
    if (!begins && !ends) {
        reason = name + " is only allowed " + std::string(WhereAllowed(k.block));
    } else if (ends && k.block != Block::RuleLevel) {
        reason = name + " without BEGIN_" + name.substr(4);  // END_CRITERIA, END_ACTION
    } else if (builder.block == Block::Outside) {
        reason = name + (ends ? " without BEGIN_RULE" : " outside a rule (BEGIN_RULE is missing)");
    } else if (st.diag && ClosedLater(builder, st)) {
        reason = name + (builder.block == Block::Action ? " inside an " : " inside a ") + BlockNoun(builder.block) +
                 " that an " + ClosingKeyword(builder.block) + " further down closes; ";
        reason += k.block == Block::Outside ? "rules do not nest: end the open rule before beginning another"
                                            : "close it first";
    } else {
        reason = name + (builder.block == Block::Action ? " inside an " : " inside a ") + BlockNoun(builder.block) +
                 " (" + ClosingKeyword(builder.block) + " is missing)";
        if (k.block == Block::Outside) reason += "; rules do not nest";
    }
    return Reject(st.diag, st.line.text, std::move(reason));
}

// ---- the block keywords ------------------------------------------------------

bool BeginRule(ScriptBuilder& b, const Statement&) {
    b.currentRule.emplace();
    b.ruleLine = b.line;
    b.rulesetsSwitchedOn = 0;
    return true;
}

bool EndBlock(ScriptBuilder&, const Statement&) { return true; }

bool EndRule(ScriptBuilder& b, const Statement&) {
    b.program.lines.rules.push_back(b.ruleLine);
    b.program.lines.clauses.push_back(std::move(b.clauseLines));
    b.clauseLines.clear();
    b.program.rules.push_back(std::move(*b.currentRule));
    b.currentRule.reset();
    return true;
}

// ---- the actions of the common shapes ------------------------------------------

bool SimpleAction(ScriptBuilder& builder, const Statement& st) {
    AppendAction(builder, Action(*st.keyword.action));
    return true;
}

bool CountedAction(ScriptBuilder& builder, const Statement& st) {
    ArgumentList args;
    std::uint32_t value = 0;
    if (!ReadArguments(st, 1, 1, args) || !NumberArgument(st, args[0], 1, value)) return false;
    AppendAction(builder, Action(*st.keyword.action, static_cast<std::int32_t>(value)));
    return true;
}

bool KeyAction(ScriptBuilder& builder, const Statement& st) {
    const KeyArgument key = st.keyword.key;
    ArgumentList args;
    if (!ReadArguments(st, 1, key == KeyArgument::LetterOrDigit ? 0 : 1, args)) return false;
    Action action(*st.keyword.action);
    const bool quotedOnly =
        key == KeyArgument::Delimiter || key == KeyArgument::KeyName || key == KeyArgument::KeypadKey;
    const bool converted =
        quotedOnly ? QuotedArgument(st, args[0], 1, action.arg1) : StringOrNumberArgument(st, args[0], 1, action.arg1);
    if (!converted) return false;
    AppendAction(builder, std::move(action));
    return true;
}

// ---- arguments ---------------------------------------------------------------

bool ReadArguments(const Statement& st, std::size_t min, std::size_t max, ArgumentList& arguments) {
    const std::string keyword(st.keyword.name);
    ArgumentError error;
    if (!ParseArgumentList(st.line, arguments, &error)) {
        return Reject(st.diag, error.at, keyword + " arguments: " + error.reason);
    }
    const std::size_t got = arguments.size();
    if (got >= min && (max == 0 || got <= max)) return true;
    std::string takes = (max == 0 ? "at least " : "") + std::to_string(min);
    takes += (min == 1 && max != 0) ? " argument" : " arguments";
    const char16_t* at = (max != 0 && got > max) ? arguments[max].text : arguments.front().text;
    return Reject(
        st.diag, at,
        keyword + " takes " + takes + " (" + std::string(st.keyword.arguments) + "), got " + std::to_string(got));
}

static std::string Nth(const Statement& st, std::size_t position) {
    return "argument " + std::to_string(position) + " of " + std::string(st.keyword.name);
}

bool NumberArgument(const Statement& st, TextSpan argument, std::size_t position, std::uint32_t& value) {
    if (ParseNumber(argument, value)) return true;
    return Reject(st.diag, argument.text, Nth(st, position) + " must be a number (digits only, no blanks)");
}

bool QuotedArgument(const Statement& st, TextSpan argument, std::size_t position, ByteArg& out) {
    if (ParseQuotedString(argument, out)) {
        if (st.keyword.decodesEscapes) DecodeHexEscapes(out);
        PrepareSearches(out);
        return true;
    }
    return Reject(st.diag, argument.text, Nth(st, position) + " must be a quoted string, like 'ABC'");
}

bool StringOrNumberArgument(const Statement& st, TextSpan argument, std::size_t position, ByteArg& out) {
    if (ParseStringOrNumber(argument, out)) return true;
    return Reject(st.diag, argument.text, Nth(st, position) + " must be a quoted string or a number");
}

void AppendAction(ScriptBuilder& builder, Action action) {
    ActionRange& block = *builder.currentRule->actions;
    const auto at = static_cast<std::uint32_t>(builder.program.actions.size());
    builder.program.actions.push_back(std::move(action));
    builder.program.lines.actions.push_back(builder.line);
    if (block.empty()) block.first = at;
    ++block.count;
}

}  // namespace trelmix
