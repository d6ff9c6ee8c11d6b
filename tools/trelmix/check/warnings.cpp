#include "check/warnings.h"

#include <algorithm>

#include "check/warning_checks.h"
#include "common/ascii.h"
#include "platform/codepage.h"
#include "platform/utf.h"
#include "script/diagnostic.h"

namespace trelmix::cli {

// ---- what the checks share ---------------------------------------------------

KeywordLine::KeywordLine(const KeywordInfo& k, const char16_t* at) : keyword(k) {
    const std::u16string_view text = LineAt(at);
    line = {static_cast<std::uint32_t>(text.size()), at};
    if (TakesArguments()) listOk = ParseArgumentList(line, args);
}

std::u16string_view LineAt(const char16_t* at) {
    const char16_t* end = at;
    while (*end && *end != u'\r' && *end != u'\n') ++end;
    return {at, static_cast<std::size_t>(end - at)};
}

bool WordCharacter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
}

const char16_t* WordEnd(const char16_t* at) {
    while (WordCharacter(*at)) ++at;
    return at;
}

std::string Shown(std::u16string_view text) {
    std::u16string units(text);
    for (char16_t& u : units) {
        if (u <= 0xFF) u = platform::DecodeCp1252(static_cast<std::uint8_t>(u));
    }
    return platform::ToUtf8(units);
}

std::string Quoted(std::u16string_view text) { return "'" + Shown(text) + "'"; }

std::string Hex2(unsigned value) {
    const char* digits = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

std::u16string_view QuotedContent(TextSpan argument) {
    if (argument.length < 2) return {};
    return {argument.text + 1, argument.length - 2u};
}

ByteArg ArgumentBytes(const KeywordInfo& keyword, TextSpan argument) {
    ByteArg bytes;
    if (!ParseStringOrNumber(argument, bytes)) return bytes;
    if (!bytes.isNumber && keyword.decodesEscapes) DecodeHexEscapes(bytes);
    return bytes;
}

std::string OneLineHint() {
    return "this inline script is one line, and each keyword needs a line of its own: put line breaks in it "
           "(in bash, $'BEGIN_RULE\\n...')";
}

std::string CommentHint() {
    return "if it is a comment, begin it with a character that begins no keyword, such as '#'";
}

// ---- the whole script ---------------------------------------------------------

std::size_t EditDistance(std::u16string_view a, std::u16string_view b, std::size_t limit) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    if ((n > m ? n - m : m - n) > limit) return limit + 1;  // at least that many insertions
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = AsciiUpper(a[i - 1]) == AsciiUpper(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && AsciiUpper(a[i - 1]) == AsciiUpper(b[j - 2]) &&
                AsciiUpper(a[i - 2]) == AsciiUpper(b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return std::min(d[n][m], limit + 1);
}

const KeywordInfo* NearestKeyword(std::u16string_view word) {
    if (word.size() < 4) return nullptr;
    const KeywordInfo* best = nullptr;
    std::size_t bestDistance = 0;
    for (const KeywordInfo& keyword : Keywords()) {
        const std::u16string name(keyword.name.begin(), keyword.name.end());
        const std::size_t allowed = name.size() >= 9 ? 2 : 1;
        const std::size_t distance = EditDistance(word, name, allowed);
        if (distance == 0 || distance > allowed) continue;
        if (!best || distance < bestDistance) {
            best = &keyword;
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<Finding> CollectWarnings(const CompiledText& c) {
    Findings out;
    for (const char16_t* line : c.report.ignoredLines) CheckIgnoredLine(c, line, out);
    const std::size_t accepted = c.report.statements.size() - (c.report.rejected ? 1 : 0);
    for (std::size_t i = 0; i < accepted; ++i) {
        const KeywordLine k(*c.report.statements[i].keyword, c.report.statements[i].at);
        CheckKeywordLine(k, out);
        const std::size_t before = out.size();
        CheckQuotedText(c, k, out);
        if (out.size() == before) CheckSendArguments(k, out);  // once the text is as meant
    }
    CheckPads(c, out);
    CheckZeroBytes(c, out);
    if (c.report.openRule && !c.report.rejected) {
        out.push_back({c.report.openRule, Code::RuleUnclosed,
                       "the text ends inside this rule (END_RULE is missing), so the rule is dropped",
                       "end it with END_RULE"});
    }
    CheckRuleMeanings(c, out);
    if (!c.fromFile && c.whole.find_first_of(u"\r\n") == c.whole.npos) {
        for (Finding& f : out) {
            if (f.hint == CommentHint()) f.hint = OneLineHint();
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) { return a.at < b.at; });
    return out;
}

std::string ErrorHint(const CompiledText& c) {
    const CompileReport& r = c.report;
    if (!r.rejected || r.statements.empty()) return "";
    const KeywordLine k(*r.statements.back().keyword, r.statements.back().at);
    const char16_t* at = r.error.at;
    // 0x0F: the compiler stops at the x.
    if (at && at > c.text() && at[-1] == u'0' && (at[0] == u'x' || at[0] == u'X')) {
        unsigned long long value = 0;
        const char16_t* p = at + 1;
        for (; WordCharacter(*p) &&
               std::u16string_view(u"0123456789abcdefABCDEF").find(*p) != std::u16string_view::npos &&
               value <= 0xFFFFFFFFu;
             ++p) {
            value = value * 16 + (*p <= u'9' ? *p - u'0' : (*p | 0x20) - u'a' + 10u);
        }
        if (p > at + 1 && !WordCharacter(*p) && value <= 0xFFFFFFFFu) {
            return "numbers are decimal: write " + std::to_string(value);
        }
    }
    if (at && *at == u'"') {
        const std::u16string_view rest = LineAt(at + 1);
        return "arguments take single quotes, like " + Quoted(rest.substr(0, rest.find(u'"')));
    }
    // A comment after the list that holds a ')' joins the list.
    for (std::uint32_t i = 0; k.TakesArguments() && i + 1 < k.line.length; ++i) {
        ArgumentList args;
        if (k.line[i] != u')' || !ParseArgumentList({i + 1, k.line.text}, args)) continue;
        std::u16string_view rest(k.line.text + i + 1, k.line.length - i - 1);
        rest.remove_prefix(std::min(rest.find_first_not_of(u" \t"), rest.size()));
        return "the argument list runs to the last ')' on the line, so the text after the first ')' (" + Quoted(rest) +
               ") joined it: put the comment on a line of its own";
    }
    const std::u16string_view after = LineAt(k.line.text + k.keyword.name.size());
    const std::size_t word = after.find_first_not_of(u" \t");
    if (word > 0 && word != std::u16string_view::npos && WordCharacter(after[word])) {
        return "the line starts with " + k.Name() + ", so it is read as that keyword; " +
               (!c.fromFile && c.whole.find_first_of(u"\r\n") == c.whole.npos ? OneLineHint() : CommentHint());
    }
    if (k.keyword.block == Block::Outside && r.openRule) {
        return "the rule that began at line " + std::to_string(Locate(c.text(), r.openRule).line) +
               " is still open here";
    }
    return "";
}

}  // namespace trelmix::cli
