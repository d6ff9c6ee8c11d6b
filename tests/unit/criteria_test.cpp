// Criteria through compiled scripts: one rule whose action appends '!', so
// the record comes back with '!' exactly when the criteria accept it.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support.h"

namespace trelmix {
namespace {

using namespace std::string_view_literals;
using test::Harness;
using test::OneRule;

constexpr const char* kEmptyBlock = " ";  // a blank line: BEGIN_CRITERIA, END_CRITERIA

struct MatchCase {
    const char* criteria;
    std::string_view record;
    bool applies;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
};

TEST(Criteria, DecideWhetherTheRuleApplies) {
    const MatchCase cases[] = {
        {kEmptyBlock, "", true},
        {kEmptyBlock, "abc", true, 9, 9},
        {"CODE_LIST(1,2)\nCODE_LIST(3)", "x", true, 1},
        {"CODE_LIST(1,2)\nCODE_LIST(3)", "x", true, 2},
        {"CODE_LIST(1,2)\nCODE_LIST(3)", "x", true, 3},
        {"CODE_LIST(1,2)\nCODE_LIST(3)", "x", false, 0},
        {"CODE_LIST(1,2)\nCODE_LIST(3)", "x", false, 4},
        {"CODE_LIST(4294967297)", "x", true, 1},  // numbers are read modulo 2^32
        {"CODE_LENGTH(0)", "", true},
        {"CODE_LENGTH(0)", "a", false},
        {"CODE_LENGTH(3)", "abc", true},
        {"CODE_LENGTH(3)", "abcd", false},
        {"CODE_LENGTH(5)\nCODE_LENGTH(3)", "abc", true},  // the later line counts
        {"CODE_LENGTH(4294967295)", "any length", true},
        {"CODE_LENGTH(4294967296)", "", true},
        {"PROTOCOL_MATCH(7)", "x", true, 0, 7},
        {"PROTOCOL_MATCH(7)", "x", false, 0, 8},
        {"PROTOCOL_MATCH(4294967295)", "x", true, 0, 12345},
        {"CODE_MATCH('AB',4294967295)", "ABxx", true},
        {"CODE_MATCH('AB',0)", "xxAB", true},
        {"CODE_MATCH('AB',2)", "xxAB", true},
        {"CODE_MATCH('AB',2)", "xxxAB", true},
        {"CODE_MATCH('AB',2)", "xABAB", true},
        {"CODE_MATCH('AB',2)", "ABxx", false},
        {"CODE_MATCH('AB',2)", "xxA", false},  // would run past the end
        {"CODE_MATCH('AB',5)", "xxxAB", false},
        {"CODE_MATCH('AB',5)", "xxxxxAB", true},
        {"CODE_MATCH('ab',0)", "AB", false},  // no case folding
        {"CODE_MATCH('&#xFF;&#x00;',0)", "x\xFF\0"sv, true},
        {"CODE_MATCH('&#x80;',0)", "\x7F", false},
        {"CODE_MATCH('X',0)\nCODE_MATCH('AB',0)", "AB", true},  // replaces text and position
        {"CODE_MATCH('',0)", "", true},
        {"WILDCARD_MATCH('')", "", true},
        {"WILDCARD_MATCH('*')", "a", true},
        {"WILDCARD_MATCH('*')", "abc", true},
        {"WILDCARD_MATCH('*')", "", false},
        {"WILDCARD_MATCH('?')", "a", true},
        {"WILDCARD_MATCH('?')", "", false},
        {"WILDCARD_MATCH('?')", "ab", false},
        {"WILDCARD_MATCH('A*B')", "AxB", true},
        {"WILDCARD_MATCH('A*B')", "AxxB", true},
        {"WILDCARD_MATCH('A*B')", "AB", false},
        {"WILDCARD_MATCH('A*B')", "ABB", false},
        {"WILDCARD_MATCH('A*B')", "AxBxB", false},  // only the first B is tried
        {"WILDCARD_MATCH('*A')", "xA", true},
        {"WILDCARD_MATCH('*A')", "A", false},
        {"WILDCARD_MATCH('*A')", "AxA", false},
        {"WILDCARD_MATCH('AB?')", "ABC", true},
        {"WILDCARD_MATCH('AB?')", "AB", false},
        {"WILDCARD_MATCH('AB?')", "ABCD", false},
        {"WILDCARD_MATCH('A**B')", "AxxB", false},
        {"WILDCARD_MATCH('A*?')", "Axx", false},
        {"WILDCARD_MATCH('A*BC')", "ABC", true},  // a middle '*' may stand for nothing
        {"WILDCARD_MATCH('A*C')", "AC", false},   // ... but needs two bytes left
        {"WILDCARD_MATCH('?*')", "ab", true},
        {"WILDCARD_MATCH('?*')", "a", false},
        {"WILDCARD_MATCH('A*B*C')", "AxBxC", true},
        {"WILDCARD_MATCH('ABC')", "ABC", true},
        {"WILDCARD_MATCH('ABC')", "AB", false},
        {"WILDCARD_MATCH('ABC')", "ABCD", false},
        {"WILDCARD_MATCH('abc')", "ABC", false},
        {"WILDCARD_MATCH('&#x2A;')", "abc", true},  // an escaped '*' is still a wildcard
        {"WILDCARD_MATCH('&#x2A;')", "", false},
        {"WILDCARD_MATCH('?&#x1D;*')", "1\x1D" "2", true},
        {"WILDCARD_MATCH('x')\nWILDCARD_MATCH('?')", "a", true},
        // All tests present must pass.
        {"CODE_LIST(5)\nCODE_LENGTH(3)\nPROTOCOL_MATCH(2)\nCODE_MATCH('b',1)\nWILDCARD_MATCH('a?c')", "abc", true, 5, 2},
        {"CODE_LIST(5)\nCODE_LENGTH(3)\nPROTOCOL_MATCH(2)\nCODE_MATCH('b',1)\nWILDCARD_MATCH('a?c')", "abc", false, 6, 2},
        {"CODE_LIST(5)\nCODE_LENGTH(3)\nPROTOCOL_MATCH(2)\nCODE_MATCH('b',1)\nWILDCARD_MATCH('a?c')", "abc", false, 5, 3},
        {"CODE_LIST(5)\nCODE_LENGTH(3)\nPROTOCOL_MATCH(2)\nCODE_MATCH('b',2)\nWILDCARD_MATCH('a?c')", "abc", false, 5, 2},
        {"CODE_LIST(5)\nCODE_LENGTH(3)\nPROTOCOL_MATCH(2)\nCODE_MATCH('b',1)\nWILDCARD_MATCH('a?')", "abc", false, 5, 2},
    };
    for (const auto& c : cases) {
        Harness h(OneRule(c.criteria, "APPEND('!')"));
        ASSERT_TRUE(h.assigned) << c.criteria;
        const auto r = h.Run(c.record, c.codeType, c.protocol);
        EXPECT_EQ(r.status, TRLM_STATUS_APPLIED) << c.criteria;
        EXPECT_EQ(r.data, std::string(c.record) + (c.applies ? "!" : ""))
            << c.criteria << "\n  on '" << c.record << "' code " << c.codeType << " protocol " << c.protocol;
    }
}

// An empty block applies and ends the run; no block lets the run go on. The
// criteria see the record as the rules without criteria before them left it.
TEST(Criteria, BlockPresenceAndEditedRecord) {
    const struct {
        std::string script;
        const char* expected;
    } cases[] = {
        {OneRule(kEmptyBlock, "APPEND('1')") + OneRule("", "APPEND('2')"), "x1"},
        {OneRule("", "APPEND('1')") + OneRule("", "APPEND('2')"), "x12"},
        {OneRule("", "APPEND('12')") + OneRule("CODE_LENGTH(3)", "APPEND('!')"), "x12!"},
        {OneRule("", "PREPEND('AB')") + OneRule("WILDCARD_MATCH('AB?')", "APPEND('!')"), "ABx!"},
        {OneRule("CODE_LENGTH(1)", "APPEND('1')") + OneRule("CODE_LENGTH(1)", "APPEND('2')"), "x1"},
    };
    for (const auto& c : cases) {
        Harness h(c.script);
        ASSERT_TRUE(h.assigned) << c.script;
        EXPECT_EQ(h.Run("x").data, c.expected) << c.script;
    }
}

TEST(Criteria, RejectedClauses) {
    const struct {
        std::string script;
        bool accepted;
    } cases[] = {
        {OneRule("CODE_MATCH('AB','3')", "APPEND('!')"), false},
        {OneRule("CODE_MATCH('AB',3,4)", "APPEND('!')"), false},
        {OneRule("CODE_LENGTH(1,2)", "APPEND('!')"), false},
        {OneRule("CODE_LENGTH('1')", "APPEND('!')"), false},
        {OneRule("CODE_LENGTH", "APPEND('!')"), false},
        {OneRule("CODE_LIST()", "APPEND('!')"), false},
        {OneRule("CODE_LIST(1,'2')", "APPEND('!')"), false},
        {OneRule("CODE_LIST(1,)", "APPEND('!')"), false},
        {OneRule("WILDCARD_MATCH(5)", "APPEND('!')"), false},
        {OneRule("WILDCARD_MATCH('a','b')", "APPEND('!')"), false},
        {OneRule("PROTOCOL_MATCH('1')", "APPEND('!')"), false},
        {OneRule("PROTOCOL_MATCH(1,2)", "APPEND('!')"), false},
        {OneRule("CODE_LIST(1, 2, 3)\nCODE_MATCH('a,b', 3)\nPROTOCOL_MATCH(0)", "APPEND('!')"), true},
        {OneRule("CODE_MATCH('',0)\nWILDCARD_MATCH('')", "APPEND('!')"), true},
        // A clause belongs in a criteria block.
        {OneRule("", "CODE_LIST(1)"), false},
        {OneRule("", "CODE_MATCH('a',0)"), false},
        {OneRule("", "WILDCARD_MATCH('a')"), false},
        {"BEGIN_RULE\nCODE_LENGTH(1)\nEND_RULE\n", false},
        {"BEGIN_RULE\nPROTOCOL_MATCH(1)\nEND_RULE\n", false},
        {"CODE_LIST(1)\n", false},
    };
    for (const auto& c : cases) {
        Harness h(c.script);
        EXPECT_EQ(h.assigned, c.accepted) << c.script;
    }
}

}  // namespace
}  // namespace trelmix
