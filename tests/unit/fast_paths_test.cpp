// The engine's fast paths must give exactly what the plain ones give: the
// two-way search against a naive one, the rule index against trying every
// rule, and the buffers a run reuses against fresh ones.
#include <gtest/gtest.h>

#include <random>

#include "actions/data_context.h"
#include "exports/registry.h"
#include "host/criteria.h"
#include "host/rule_runner.h"
#include "platform/recording.h"
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

// Wildcard patterns split into steps at compile time match exactly the
// records the pattern read as it stands matches.
TEST(FastPaths, CompiledWildcardsAgreeWithThePattern) {
    std::mt19937 rng(11);
    auto random = [&](const char* alphabet, std::size_t letters, std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += alphabet[rng() % letters];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string pattern = random("ab*?", 4, 1 + rng() % 7);
        const std::string record = random("ab", 2, rng() % 9);
        Criteria plain, compiled;
        plain.wildcard.bytes = test::Bytes(pattern);
        compiled.wildcard.bytes = test::Bytes(pattern);
        compiled.wildcardSteps = CompileWildcard(compiled.wildcard);
        DataContext d;
        d.data = test::Bytes(record);
        d.length = static_cast<std::int32_t>(record.size());
        ASSERT_EQ(CriteriaPass(compiled, d), CriteriaPass(plain, d)) << "'" << pattern << "' on '" << record << "'";
    }
}

// Scripts whose rules mix code lists, rules without criteria, without action
// blocks, with rulesets and repeated codes: the rule index must reach the
// same rules in the same order as trying them all.
TEST(FastPaths, RuleIndexGivesWhatEveryRuleGives) {
    const char* scripts[] = {
        R"(BEGIN_RULE
BEGIN_ACTION
APPEND('<')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
CODE_LIST(3, 5, 3)
CODE_LENGTH(4)
END_CRITERIA
BEGIN_ACTION
APPEND('a')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
WILDCARD_MATCH('A*')
END_CRITERIA
BEGIN_ACTION
APPEND('w')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
CODE_LIST(5)
CODE_LIST(7)
END_CRITERIA
BEGIN_ACTION
APPEND('b')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
CODE_LIST(9)
END_CRITERIA
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
END_CRITERIA
BEGIN_ACTION
APPEND('e')
END_ACTION
END_RULE
)",
        R"(BEGIN_RULE
SET_RULESET(2)
BEGIN_CRITERIA
CODE_LIST(1)
END_CRITERIA
BEGIN_ACTION
RULESET_OFF(2)
APPEND('x')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
CODE_LIST(1, 2)
END_CRITERIA
BEGIN_ACTION
RULESET_ON(2)
APPEND('y')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_ACTION
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
CODE_LIST(4)
END_CRITERIA
BEGIN_ACTION
APPEND('z')
END_ACTION
END_RULE
)",
    };
    const char* records[] = {"", "A", "ABCD", "xyz1", "Axyz"};
    for (const char* text : scripts) {
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

// Hundreds of ids, some removed and added again: every id is found at its
// place in registration order, and removed ones are not found.
TEST(FastPaths, RegistryFindsEveryIdAmongMany) {
    ScriptRegistry r;
    std::vector<HostId> ids;
    for (std::uint32_t i = 0; i < 300; ++i) {
        HostId id = test::AppId(static_cast<std::uint8_t>(i));
        id.data2 = static_cast<std::uint16_t>(i);  // ids that differ in one field only
        ids.push_back(id);
        r.Store(id, std::make_unique<Script>());
    }
    for (std::size_t i = 0; i < ids.size(); i += 3) EXPECT_TRUE(r.Unregister(ids[i]));
    for (std::size_t i = 0; i < ids.size(); i += 6) r.Store(ids[i], std::make_unique<Script>());  // at the end
    std::vector<HostId> expected;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i % 3 != 0) expected.push_back(ids[i]);
    }
    for (std::size_t i = 0; i < ids.size(); i += 6) expected.push_back(ids[i]);
    ASSERT_EQ(r.Count(), static_cast<std::int32_t>(expected.size()));
    for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(r.Find(expected[k]), static_cast<std::int32_t>(k));
    for (std::size_t i = 3; i < ids.size(); i += 6) EXPECT_EQ(r.Find(ids[i]), -1);
    r.Clear();
    EXPECT_EQ(r.Find(ids[1]), -1);
}

// A record longer than the buffers a run keeps, then short ones: each run
// starts from its own record, whatever the buffers held before.
TEST(FastPaths, ReusedBuffersStartFromEachRecord) {
    test::Harness h(test::OneRule("", "REPLACE_ALL('a', 'bb')\nSKIP_START\nINSERT('<')\nAPPEND('>')"));
    ASSERT_TRUE(h.assigned);
    const std::string longRecord(100'000, 'a');
    std::vector<std::uint8_t> buffer(longRecord.begin(), longRecord.end());
    buffer.resize(300'000);
    const ExecuteResult r = TRLM_ExecuteInto(&h.id(), buffer.data(), 100'000, 300'000, 0, 0);
    EXPECT_EQ(r.length, 200'002u);
    EXPECT_EQ(h.Run("xax").data, "<xbbx>");
    EXPECT_EQ(h.Run("").data, "<>");
    EXPECT_EQ(h.Run("a").data, "<bb>");
}

// A host that runs another script from inside its emulator's callback: the
// inner run must not take the outer run's buffers.
struct Nested {
    KeyboardEmulator emulator{};
    const HostId* inner = nullptr;
    std::string typed;
    std::string innerResult;
};

std::int32_t TRLM_THISCALL TypeAndRunInner(KeyboardEmulator* self, std::uint32_t unit, std::uint32_t) {
    auto* n = reinterpret_cast<Nested*>(self);
    n->typed += static_cast<char>(unit);
    std::uint8_t buffer[64] = {'i', 'n'};
    const ExecuteResult r = TRLM_ExecuteInto(n->inner, buffer, 2, sizeof buffer, 0, 0);
    n->innerResult.assign(buffer, buffer + r.length);
    return 1;
}

TEST(FastPaths, RunFromInsideAnEmulatorCallback) {
    platform::ScopedRecording recording;
    test::Harness inner(test::OneRule("", "APPEND('-inner')"), false, 31);
    test::Harness outer(test::OneRule("", "APPEND('yz')\nSEND_ALL\nAPPEND('!')"), true);
    ASSERT_TRUE(inner.assigned && outer.assigned);
    static const KeyboardEmulatorOperations operations = {nullptr, TypeAndRunInner};
    Nested nested;
    nested.emulator.operations = &operations;
    nested.inner = &inner.id();
    TransmitObject transmit{&nested.emulator, 1, 0};
    TRLM_SetTransmitObject(&transmit);
    const auto r = outer.Run("x");
    TRLM_SetTransmitObject(nullptr);
    EXPECT_EQ(r.data, "xyz!");
    EXPECT_EQ(nested.typed, "xyz");
    EXPECT_EQ(nested.innerResult, "in-inner");
}

}  // namespace
}  // namespace trelmix
