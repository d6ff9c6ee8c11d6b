#include "script/compiler.h"

#include <cstring>
#include <string_view>

#include "actions/forward_edits.h"
#include "host/rule_index.h"
#include "host/rule_runner.h"
#include "script/event_reporter.h"
#include "script/keyword_support.h"

namespace trelmix {

namespace {

std::uint32_t TextLength(const char16_t* text) {
    std::uint32_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

// Where the statement just compiled stands in the rule, for the report: the
// rule's first line, each clause and action line, the finished rule.
void NoteStatement(CompileReport& report, CompileReport::RuleFacts& facts, const ScriptBuilder& builder,
                   const KeywordInfo& keyword, Block before, const char16_t* at) {
    if (before == Block::Outside) facts = {at, 0, {}, {}};
    // END_CRITERIA and END_ACTION leave their block; every other line of
    // a block is a clause, or an action that built one action.
    if (keyword.block == Block::Criteria && builder.block == Block::Criteria) facts.clauses.push_back(at);
    if (keyword.block == Block::Action && builder.block == Block::Action) facts.actions.push_back(at);
    if (builder.block == Block::Outside) {
        facts.rulesetsSwitchedOn = builder.rulesetsSwitchedOn;
        report.rules.push_back(std::move(facts));
        facts = {};
    }
}

}  // namespace

bool IsKeyboardClient(const HostId& id) { return std::memcmp(&id, &KeyboardClientId, sizeof(HostId)) == 0; }

bool CompileScript(Program& program, const char16_t* text, bool keyboardMode, CompileReport* report) {
    if (!text) return false;
    ScriptBuilder builder{program};
    const std::uint32_t length = TextLength(text);
    std::int64_t position = 0;
    bool accepted = true;
    CompileReport::RuleFacts facts;  // of the rule being built, for the report
    while (position >= 0) {
        TextSpan line = NextLine(text, length, position);
        // CR, LF and CR LF each end a line: the LF of a CR LF ends no line of its own.
        const bool secondHalf = line.empty() && line.text > text && line.text[-1] == u'\r' && position >= 0 &&
                                line.text < text + length && *line.text == u'\n';
        if (!secondHalf) ++builder.line;
        line = TrimLeft(line, kLineBlanks);
        if (line.empty()) continue;
        const KeywordInfo* keyword = LeadingKeyword({line.text, line.length}, keyboardMode);
        if (!keyword) {
            if (report) report->ignoredLines.push_back(line.text);
            continue;
        }
        if (report) report->statements.push_back({keyword, line.text});
        Diagnostic diag;
        const Statement statement{*keyword, line, report ? &diag : nullptr};
        const Block before = builder.block;
        if (!CheckBlock(builder, statement) || !keyword->handler(builder, statement)) {
            if (report) {
                report->rejected = true;
                report->error = std::move(diag);
                if (!report->error.at) report->error.at = line.text;
            }
            accepted = false;
            break;
        }
        builder.block = keyword->after;
        if (keyword->clause != Clause::None) builder.clauseLines.push_back({keyword->clause, builder.line});
        if (report) NoteStatement(*report, facts, builder, *keyword, before, line.text);
    }
    // A rule still open at the end is dropped, actions and all; it is not an error.
    if (builder.currentRule) {
        if (report) report->openRule = facts.begin;
        if (const auto& open = builder.currentRule->actions; accepted && open && !open->empty()) {
            program.actions.resize(open->first);
            program.lines.actions.resize(open->first);
        }
    }
    if (accepted) {
        MarkForwardRuns(program);
        MarkHostTails(program);
        BuildRuleIndex(program);  // last: the gates copy the action blocks as marked
    }

    std::u16string_view message;
    if (keyboardMode) {
        message = accepted ? u"SIMULATED HID KEYBOARD TRELM SCRIPT LOADED SUCCESSFULLY."
                           : u"SIMULATED HID KEYBOARD TRELM SCRIPT ERROR DETECTED.";
    } else {
        message =
            accepted ? u"APPLICATION TRELM SCRIPT LOADED SUCCESSFULLY." : u"APPLICATION TRELM SCRIPT ERROR DETECTED.";
    }
    ReportEvent(kEventSource, message);
    return accepted;
}

}  // namespace trelmix
