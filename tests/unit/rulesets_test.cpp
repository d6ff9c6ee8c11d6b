// Rulesets through compiled scripts. The switches belong to the assigned
// script: they outlive a run and only a new assignment resets them.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace trelmix {
namespace {

using test::Harness;
using test::OneRule;

// A rule without criteria (so the run goes on past it) in a ruleset.
std::string InRuleset(const std::string& setLine, const std::string& actions) {
    return "BEGIN_RULE\n" + setLine + "\nBEGIN_ACTION\n" + actions + "\nEND_ACTION\nEND_RULE\n";
}

TEST(Rulesets, FreshScriptRunsEveryRuleset) {
    std::string script;
    std::string expected = "x";
    for (int n = 0; n <= 31; ++n) {
        const char mark = static_cast<char>('0' + n);
        script += InRuleset("SET_RULESET(" + std::to_string(n) + ")", std::string("APPEND('") + mark + "')");
        expected += mark;
    }
    script += InRuleset("SET_RULESET(32)", "APPEND('-')");  // never on
    script += InRuleset("SET_RULESET(4294967295)", "APPEND('-')");
    script += InRuleset("SET_RULESET(4294967296)", "APPEND('+')");  // modulo 2^32: 0
    expected += "+";
    Harness h(script);
    ASSERT_TRUE(h.assigned);
    EXPECT_EQ(h.Run("x").data, expected);
}

// Each line is one script; the record 'x' runs through it once.
TEST(Rulesets, SwitchesWithinOneRun) {
    const struct {
        std::string script;
        const char* expected;
    } cases[] = {
        {InRuleset("", "RULESET_OFF(3)") + InRuleset("SET_RULESET(3)", "APPEND('3')"), "x"},
        {InRuleset("SET_RULESET(3)", "APPEND('3')") + InRuleset("", "RULESET_OFF(3)"), "x3"},
        {InRuleset("", "RULESET_OFF(3)\nRULESET_ON(3)") + InRuleset("SET_RULESET(3)", "APPEND('3')"), "x3"},
        {InRuleset("", "RULESET_OFF(0)") + InRuleset("SET_RULESET(0)", "APPEND('0')"), "x0"},
        {InRuleset("", "RULESET_ON(32)") + InRuleset("SET_RULESET(32)", "APPEND('!')"), "x"},
        {InRuleset("", "RULESET_OFF(4294967295)") + InRuleset("SET_RULESET(31)", "APPEND('!')"), "x!"},
        {InRuleset("", "RULESET_OFF(4294967297)") + InRuleset("SET_RULESET(1)", "APPEND('!')"), "x"},
        {InRuleset("SET_RULESET(5)\nSET_RULESET(2)", "APPEND('!')") + InRuleset("", "RULESET_OFF(2)") +
             InRuleset("SET_RULESET(2)", "APPEND('?')"),
         "x!"},
        // A skipped rule lets the run go on.
        {InRuleset("", "RULESET_OFF(4)\nAPPEND('a')") + InRuleset("SET_RULESET(4)", "APPEND('b')") +
             InRuleset("", "APPEND('c')"),
         "xac"},
    };
    for (const auto& c : cases) {
        Harness h(c.script);
        ASSERT_TRUE(h.assigned) << c.script;
        EXPECT_EQ(h.Run("x").data, c.expected) << c.script;
    }
}

// The action block is checked before the ruleset: a rule without one stops
// the run even when its ruleset is off.
TEST(Rulesets, RuleWithoutActionBlockStopsEvenWhenSwitchedOff) {
    Harness h(InRuleset("", "RULESET_OFF(6)\nAPPEND('a')") +
              "BEGIN_RULE\nSET_RULESET(6)\nEND_RULE\n" + InRuleset("", "APPEND('b')"));
    ASSERT_TRUE(h.assigned);
    const auto r = h.Run("x");
    EXPECT_EQ(r.status, TRLM_STATUS_NO_ACTION_BLOCK);
    EXPECT_EQ(r.data, "x");
}

// A mode barcode switches stripping of leading zeros off and on for the
// records that follow; a new assignment of the script starts with it on.
TEST(Rulesets, ModeBarcodeSwitchesRulesForLaterRecords) {
    const std::string script =
        OneRule("CODE_MATCH('#ZEROS-OFF',0)", "RULESET_OFF(2)\nREPLACE_ALL('#ZEROS-OFF','')") +
        OneRule("CODE_MATCH('#ZEROS-ON',0)", "RULESET_ON(2)\nREPLACE_ALL('#ZEROS-ON','')") +
        "BEGIN_RULE\nSET_RULESET(2)\nBEGIN_CRITERIA\nWILDCARD_MATCH('00*')\nEND_CRITERIA\n"
        "BEGIN_ACTION\nREPLACE_FIRST('00','')\nAPPEND('&#x0D;')\nEND_ACTION\nEND_RULE\n" +
        OneRule(" ", "APPEND('&#x0D;')");
    Harness h(script);
    ASSERT_TRUE(h.assigned);
    Harness other(script, false, 8);  // another host id has its own switches
    ASSERT_TRUE(other.assigned);

    const struct {
        Harness* host;
        const char* record;
        const char* expected;
    } steps[] = {
        {&h, "00123", "123\r"},        {&h, "#ZEROS-OFF", ""},        {&h, "00123", "00123\r"},
        {&h, "00456", "00456\r"},      {&other, "00123", "123\r"},    {&h, "#ZEROS-ON", ""},
        {&h, "00123", "123\r"},        {&h, "#ZEROS-OFF", ""},        {&h, "00789", "00789\r"},
    };
    for (const auto& s : steps) EXPECT_EQ(s.host->Run(s.record).data, s.expected) << s.record;

    ASSERT_TRUE(h.Assign(script));  // the same text again: every ruleset on
    EXPECT_EQ(h.Run("00123").data, "123\r");
}

TEST(Rulesets, RejectedAndAcceptedLines) {
    const struct {
        std::string script;
        bool accepted;
    } cases[] = {
        {InRuleset("SET_RULESET(0)", "RULESET_ON(0)\nRULESET_OFF(99)\nRULESET_ON(4294967295)"), true},
        {OneRule("SET_RULESET(3)", "APPEND('!')"), false},
        {"SET_RULESET(3)\n", false},
        {InRuleset("SET_RULESET('3')", ""), false},
        {InRuleset("SET_RULESET(1,2)", ""), false},
        {InRuleset("SET_RULESET()", ""), false},
        {InRuleset("SET_RULESET", ""), false},
        {InRuleset("", "RULESET_ON('1')"), false},
        {InRuleset("", "RULESET_ON(1,2)"), false},
        {InRuleset("", "RULESET_OFF()"), false},
        {InRuleset("", "RULESET_OFF(-1)"), false},
        {InRuleset("RULESET_ON(1)", ""), false},
        {OneRule("RULESET_OFF(1)", "APPEND('!')"), false},
        {"RULESET_ON(1)\n", false},
    };
    for (const auto& c : cases) {
        Harness h(c.script);
        EXPECT_EQ(h.assigned, c.accepted) << c.script;
    }
}

}  // namespace
}  // namespace trelmix
