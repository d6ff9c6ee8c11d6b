// The engine's fast paths must give exactly what the plain ones give: the
// two-way search against a naive one, and the rule index against trying
// every rule.
#include <gtest/gtest.h>

#include <random>

#include "actions/data_context.h"
#include "host/criteria.h"
#include "host/rule_runner.h"
#include "script/compiler.h"
#include "support.h"

namespace trelmix {
namespace {

std::int32_t NaiveFind(const std::string& text, const std::string& pattern, std::uint32_t start) {
    if (pattern.empty()) return -1;
    for (std::size_t i = start; i + pattern.size() <= text.size(); ++i) {
        if (text.compare(i, pattern.size(), pattern) == 0) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t Find(const std::string& text, const std::string& pattern, std::uint32_t start) {
    const ByteSpan span{static_cast<std::int32_t>(text.size()), reinterpret_cast<const std::uint8_t*>(text.data())};
    return span.FindFrom(static_cast<std::int32_t>(pattern.size()),
                         reinterpret_cast<const std::uint8_t*>(pattern.data()), start);
}

TEST(FastPaths, SearchAgreesWithNaiveSearch) {
    // Long patterns over two or three letters: the first byte is found at
    // almost every offset, so the search soon changes to the two-way method.
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const char* alphabet = round % 2 ? "ab" : "abc";
        const std::size_t letters = round % 2 ? 2 : 3;
        auto random = [&](std::size_t n) {
            std::string s;
            for (std::size_t i = 0; i < n; ++i) s += alphabet[rng() % letters];
            return s;
        };
        const std::string text = random(1 + rng() % 400);
        std::string pattern = random(1 + rng() % 40);
        if (round % 3 == 0 && text.size() > 40) pattern = text.substr(rng() % (text.size() - 40), 17 + rng() % 23);
        const std::uint32_t start = rng() % (text.size() + 2);
        ASSERT_EQ(Find(text, pattern, start), NaiveFind(text, pattern, start))
            << "text '" << text << "' pattern '" << pattern << "' from " << start;
    }
}

TEST(FastPaths, AdversarialSearches) {
    const std::string as(5000, 'a');
    const std::string aaab = std::string(63, 'a') + "b";
    struct Case {
        std::string text, pattern;
        std::int32_t expected;
    } cases[] = {
        {as, aaab, -1},
        {as + "b", aaab, 5000 - 63},
        {as + "b" + as, aaab, 5000 - 63},
        {as, std::string(100, 'a'), 0},
        {"ab" + as, "b" + std::string(64, 'a') + "b", -1},
        {std::string(3000, 'a') + "ba" + std::string(3000, 'a'), std::string(40, 'a') + "b" + std::string(40, 'a'),
         3000 - 40},
    };
    for (const Case& c : cases) EXPECT_EQ(Find(c.text, c.pattern, 0), c.expected) << c.pattern;
}

// Scripts whose rules mix code lists, rules without criteria, without action
// blocks, with rulesets and repeated codes: the rule index must reach the
// same rules in the same order as trying them all.
TEST(FastPaths, RuleIndexGivesWhatEveryRuleGives) {
    using test::OneRule;
    const std::string scripts[] = {
        OneRule("", "APPEND('<')") + OneRule("CODE_LIST(3, 5, 3)\nCODE_LENGTH(4)", "APPEND('a')") +
            OneRule("WILDCARD_MATCH('A*')", "APPEND('w')") + OneRule("CODE_LIST(5)\nCODE_LIST(7)", "APPEND('b')") +
            "BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(9)\nEND_CRITERIA\nEND_RULE\n" +  // no action block
            "BEGIN_RULE\nBEGIN_CRITERIA\nEND_CRITERIA\nBEGIN_ACTION\nAPPEND('e')\nEND_ACTION\nEND_RULE\n",
        "BEGIN_RULE\nSET_RULESET(2)\nBEGIN_CRITERIA\nCODE_LIST(1)\nEND_CRITERIA\n"
        "BEGIN_ACTION\nRULESET_OFF(2)\nAPPEND('x')\nEND_ACTION\nEND_RULE\n" +
            OneRule("CODE_LIST(1, 2)", "RULESET_ON(2)\nAPPEND('y')") + "BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nEND_RULE\n" +
            OneRule("CODE_LIST(4)", "APPEND('z')"),
    };
    const char* records[] = {"", "A", "ABCD", "xyz1", "Axyz"};
    for (const std::string& text : scripts) {
        Script indexed, plain;
        const std::u16string source = test::U16(text);
        ASSERT_TRUE(CompileScript(indexed, source.c_str(), false));
        ASSERT_TRUE(CompileScript(plain, source.c_str(), false));
        plain.index = {};  // no index: every rule is tried
        for (int pass = 0; pass < 2; ++pass) {  // the second pass sees the ruleset switches the first left
            for (std::uint32_t code = 0; code <= 10; ++code) {
                for (const char* record : records) {
                    std::vector<std::uint8_t> bytes = test::Bytes(record);
                    const RunOutcome a = RunScript(indexed, bytes.data(), static_cast<std::uint32_t>(bytes.size()), code, 0);
                    const RunOutcome b = RunScript(plain, bytes.data(), static_cast<std::uint32_t>(bytes.size()), code, 0);
                    EXPECT_EQ(a.result.status, b.result.status) << text << "code " << code << " record " << record;
                    EXPECT_EQ(test::Str(a.edited), test::Str(b.edited)) << "code " << code << " record " << record;
                }
            }
        }
    }
}

}  // namespace
}  // namespace trelmix
