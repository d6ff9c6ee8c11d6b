#include "script/compiler.h"

#include <cstring>
#include <string_view>

#include "host/rule_index.h"
#include "script/event_reporter.h"
#include "script/keyword_support.h"

namespace trelmix {

namespace {

std::uint32_t TextLength(const char16_t* text) {
    std::uint32_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

bool IsKeyboardClient(const HostId& id) {
    return std::memcmp(&id, &KeyboardClientId, sizeof(HostId)) == 0;
}

bool CompileScript(Script& script, const char16_t* text, bool keyboardMode, CompileReport* report) {
    if (!text) return false;
    ScriptBuilder builder{script};
    const std::uint32_t length = TextLength(text);
    std::int64_t position = 0;
    bool accepted = true;
    const char16_t* openRuleAt = nullptr;
    while (position >= 0) {
        TextSpan line = NextLine(text, length, position);
        line = TrimLeft(line, kLineBlanks);
        if (line.empty()) continue;
        const KeywordInfo* keyword = LeadingKeyword({line.text, line.length}, keyboardMode);
        if (!keyword) {
            if (report) report->ignoredLines.push_back(line.text);
            continue;
        }
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
        if (report && before == Block::Outside) openRuleAt = line.text;
        if (report && builder.block == Block::Outside) {
            report->rules.push_back({openRuleAt, builder.rulesetsSwitchedOn});
        }
    }
    // A rule still open at the end is dropped; it is not an error.
    if (accepted && report && builder.currentRule) report->openRule = openRuleAt;
    if (accepted) BuildRuleIndex(script);

    std::u16string_view message;
    if (keyboardMode) {
        message = accepted ? u"SIMULATED HID KEYBOARD TRELM SCRIPT LOADED SUCCESSFULLY."
                           : u"SIMULATED HID KEYBOARD TRELM SCRIPT ERROR DETECTED.";
    } else {
        message = accepted ? u"APPLICATION TRELM SCRIPT LOADED SUCCESSFULLY."
                           : u"APPLICATION TRELM SCRIPT ERROR DETECTED.";
    }
    ReportEvent(kEventSource, message);
    return accepted;
}

}  // namespace trelmix
