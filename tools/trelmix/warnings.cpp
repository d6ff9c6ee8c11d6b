#include "warnings.h"

#include <algorithm>

#include "script/diagnostic.h"
#include "script/keywords.h"

namespace trelmix::cli {

namespace {

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

std::u16string UpperCase(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = Upper(c);
    return out;
}

bool WordCharacter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// The keyword a line begins with, as the keyboard script's compiler sees it.
const KeywordInfo* AnyKeyword(std::u16string_view line) { return LeadingKeyword(line, true); }

std::string Narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::string Quoted(std::u16string_view s) {
    std::string out(1, '\'');
    out += Narrow(s);
    out += '\'';
    return out;
}

std::u16string_view LineAt(const char16_t* at) {
    const char16_t* end = at;
    while (*end && *end != u'\r' && *end != u'\n') ++end;
    return {at, static_cast<std::size_t>(end - at)};
}

std::string SendNote(const KeywordInfo& keyword, bool keyboardMode) {
    if (!keyword.keyboardOnly || keyboardMode) return "";
    return " (and send keywords are ignored in an application script)";
}

void CheckIgnoredLine(const char16_t* at, bool keyboardMode, bool firstLine, std::vector<Finding>& out) {
    const std::u16string_view line = LineAt(at);

    if (firstLine && line.substr(0, 3) == u"\u00EF\u00BB\u00BF" && AnyKeyword(line.substr(3))) {
        out.push_back({at, false,
                       "the file starts with a UTF-8 byte-order mark, so the keyword on this line is not "
                       "recognised and the line is ignored (save the file without the mark)"});
        return;
    }
    if (!keyboardMode) {
        if (const KeywordInfo* k = AnyKeyword(line)) {  // only a send keyword can begin an ignored line
            out.push_back({at, false,
                           std::string(k->name) +
                               " is ignored in an application script: send keywords work only in the "
                               "script of the simulated keyboard (--keyboard)"});
            return;
        }
    }

    std::size_t n = 0;
    while (n < line.size() && WordCharacter(line[n])) ++n;
    if (n == 0) return;
    const std::u16string_view word = line.substr(0, n);
    std::size_t after = n;
    while (after < line.size() && (line[after] == u' ' || line[after] == u'\t')) ++after;
    const bool upperWord = word.size() >= 4 && std::none_of(word.begin(), word.end(), [](char16_t c) {
                               return c >= u'a' && c <= u'z';
                           });
    const bool looksLikeCode = word.find(u'_') != std::u16string_view::npos || after == line.size() ||
                               line[after] == u'(' || upperWord;
    if (!looksLikeCode) return;

    if (const KeywordInfo* k = AnyKeyword(UpperCase(line.substr(0, 14)))) {
        const std::u16string_view written = line.substr(0, k->name.size());
        out.push_back({at, false,
                       Quoted(written) + " is not a keyword (keywords are upper case: " + std::string(k->name) +
                           "), so the line is ignored" + SendNote(*k, keyboardMode)});
        return;
    }
    const KeywordInfo* nearest = NearestKeyword(word);
    if (!nearest) return;
    out.push_back({at, false,
                   Quoted(word) + " is not a keyword, so the line is ignored; did you mean " +
                       std::string(nearest->name) + "?" + SendNote(*nearest, keyboardMode)});
}

bool AlwaysPasses(const Criteria& c) {
    return c.codes.empty() && c.length == kUnset && c.protocol == kUnset && c.match.bytes.empty() &&
           c.wildcard.bytes.empty();
}

// A rule that ends every run reaching it (while its ruleset is on).
struct Blocker {
    std::size_t index = 0;
    bool ignoresRuleset = false;  // no action block: stops the run before the ruleset gate
    std::uint32_t ruleset = 0;
    std::string why;
};

void CheckRules(const char16_t* text, const Script& script, const CompileReport& report,
                std::vector<Finding>& out) {
    const std::size_t count = std::min(script.rules.size(), report.rules.size());
    std::vector<Blocker> blockers;
    for (std::size_t i = 0; i < count; ++i) {
        const Rule& rule = *script.rules[i];
        const char16_t* at = report.rules[i].begin;
        const Blocker* blockedBy = nullptr;
        for (const Blocker& b : blockers) {
            bool blocks = b.ignoresRuleset || b.ruleset == 0;
            if (!blocks && rule.ruleset == b.ruleset) {
                // Reaching this rule needs the ruleset on again: only a rule
                // in between can switch it.
                blocks = true;
                for (std::size_t k = b.index + 1; k < i; ++k) {
                    if (report.rules[k].rulesetsSwitchedOn & (1u << b.ruleset)) blocks = false;
                }
            }
            if (blocks) {
                blockedBy = &b;
                break;
            }
        }
        if (blockedBy) {
            const SourcePosition where = Locate(text, report.rules[blockedBy->index].begin);
            std::string message = "this rule is never reached: the rule at line " + std::to_string(where.line) +
                                  " " + blockedBy->why;
            if (!blockedBy->ignoresRuleset && blockedBy->ruleset != 0) {
                message += " (both rules belong to ruleset " + std::to_string(blockedBy->ruleset) +
                           ", and no rule between them switches it on)";
            }
            out.push_back({at, false, message});
            continue;
        }
        if (rule.actions && rule.ruleset >= static_cast<std::uint32_t>(kRulesetCount)) {
            out.push_back({at, false,
                           "this rule never applies: it belongs to ruleset " + std::to_string(rule.ruleset) +
                               ", and only rulesets 1 to 31 can be on"});
            continue;
        }
        if (!rule.actions) {
            blockers.push_back({i, true, 0, "has no action block, so every run that reaches it stops there"});
        } else if (rule.ruleset < static_cast<std::uint32_t>(kRulesetCount)) {
            if (!rule.criteria && rule.actions->empty()) {
                blockers.push_back({i, false, rule.ruleset,
                                    "has no criteria block and an empty action block, so every run that "
                                    "reaches it stops there"});
            } else if (rule.criteria && AlwaysPasses(*rule.criteria)) {
                blockers.push_back({i, false, rule.ruleset,
                                    "has an empty criteria block, so it applies to every record that "
                                    "reaches it and ends the run"});
            }
        }
    }
}

}  // namespace

std::size_t EditDistance(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = Upper(a[i - 1]) == Upper(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && Upper(a[i - 1]) == Upper(b[j - 2]) && Upper(a[i - 2]) == Upper(b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[n][m];
}

const KeywordInfo* NearestKeyword(std::u16string_view word) {
    if (word.size() < 4) return nullptr;
    const KeywordInfo* best = nullptr;
    std::size_t bestDistance = 0;
    for (const KeywordInfo& keyword : Keywords()) {
        const std::u16string name(keyword.name.begin(), keyword.name.end());
        const std::size_t allowed = name.size() >= 9 ? 2 : 1;
        const std::size_t distance = EditDistance(word, name);
        if (distance == 0 || distance > allowed) continue;
        if (!best || distance < bestDistance) {
            best = &keyword;
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<Finding> CollectWarnings(const char16_t* text, const Script& script, const CompileReport& report,
                                     bool keyboardMode) {
    std::vector<Finding> out;
    for (const char16_t* line : report.ignoredLines) {
        CheckIgnoredLine(line, keyboardMode, line == text, out);
    }
    if (report.openRule) {
        out.push_back({report.openRule, false,
                       "the text ends inside this rule (END_RULE is missing), so the rule is dropped"});
    }
    CheckRules(text, script, report, out);
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) { return a.at < b.at; });
    return out;
}

}  // namespace trelmix::cli
