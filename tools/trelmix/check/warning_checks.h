// The checks behind CollectWarnings, by theme, and what they share. Each
// check appends its findings; CollectWarnings puts them in text order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/warnings.h"
#include "script/text.h"

namespace trelmix::cli {

using Findings = std::vector<Finding>;

// One keyword line the compiler read, with its argument list when it splits.
struct KeywordLine {
    const KeywordInfo& keyword;
    TextSpan line;      // from the keyword to the end of the line
    ArgumentList args;  // empty when the keyword takes none or the list does not split
    bool listOk = false;

    KeywordLine(const KeywordInfo& k, const char16_t* at);
    std::string Name() const { return std::string(keyword.name); }
    bool TakesArguments() const { return !keyword.arguments.empty(); }
};

// The line from `at` to its end (CR, LF or the end of the text).
std::u16string_view LineAt(const char16_t* at);

bool WordCharacter(char16_t c);
const char16_t* WordEnd(const char16_t* at);  // past the letters, digits and '_' at `at`

// Text for a message: a byte value as Windows-1252 shows it, in UTF-8.
std::string Shown(std::u16string_view text);
std::string Quoted(std::u16string_view text);  // 'text'
std::string Hex2(unsigned value);              // "1D"

// The content between an argument's quotes, and its bytes as the keyword's
// action holds them (escapes undone where the keyword undoes them).
std::u16string_view QuotedContent(TextSpan argument);
ByteArg ArgumentBytes(const KeywordInfo& keyword, TextSpan argument);

// The comment hint for a line that starts with a keyword but reads as text.
std::string CommentHint();
std::string OneLineHint();  // instead, for inline text without line breaks

// keyword_warnings.cpp: ignored lines, and keyword lines as written.
void CheckIgnoredLine(const CompiledText& c, const char16_t* at, Findings& out);
void CheckKeywordLine(const KeywordLine& k, Findings& out);

// argument_warnings.cpp: send keys that do nothing, pads that never pad.
void CheckSendArguments(const KeywordLine& k, Findings& out);
void CheckPads(const CompiledText& c, Findings& out);

// rule_warnings.cpp: a script without rules, rules no record reaches or
// passes, criteria clauses, rulesets, and actions in the order they run.
void CheckRuleMeanings(const CompiledText& c, Findings& out);

// text_warnings.cpp: quoted text and the file's bytes.
void CheckQuotedText(const CompiledText& c, const KeywordLine& k, Findings& out);
void CheckZeroBytes(const CompiledText& c, Findings& out);

}  // namespace trelmix::cli
