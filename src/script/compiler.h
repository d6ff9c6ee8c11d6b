// The script compiler: one pass over the text, line by line, into a Program.
// The first line that fails rejects the whole script. Every compilation that
// gets past the null check writes exactly one load event.
#pragma once

#include <cstdint>
#include <vector>

#include "actions/program.h"
#include "script/diagnostic.h"
#include "script/keywords.h"
#include "trelmix/trelmix.h"

namespace trelmix {

// What the compiler can tell a script author beyond accepted or rejected.
// The host path passes no report; `trelmix check` reads it.
struct CompileReport {
    bool rejected = false;
    Diagnostic error;                           // the failing line, when rejected
    std::vector<const char16_t*> ignoredLines;  // non-blank lines that begin with no keyword
    struct Line {
        const KeywordInfo* keyword = nullptr;
        const char16_t* at = nullptr;  // the keyword, leading blanks skipped
    };
    std::vector<Line> statements;  // keyword lines read, in order; when rejected, the last failed
    struct RuleFacts {
        const char16_t* begin = nullptr;       // its BEGIN_RULE line
        std::uint32_t rulesetsSwitchedOn = 0;  // bit n: it has RULESET_ON(n), 1 <= n <= 31
        std::vector<const char16_t*> clauses;  // each criteria clause's keyword, in order
        std::vector<const char16_t*> actions;  // each action's keyword: entry i built action i
    };
    std::vector<RuleFacts> rules;        // each finished rule, in order
    const char16_t* openRule = nullptr;  // BEGIN_RULE of the rule open where compiling stopped
};

// Compiles NUL-terminated UTF-16 text into `program`, its plan included. In
// keyboard mode the send keywords are recognised. False (and the error
// event) when a line fails.
bool CompileScript(Program& program, const char16_t* text, bool keyboardMode, CompileReport* report = nullptr);

// True when the id is KeyboardClientId, compared in all 16 bytes.
bool IsKeyboardClient(const HostId& id);

}  // namespace trelmix
