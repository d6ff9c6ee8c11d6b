// The editing actions through compiled scripts: actions in, record in, record
// out. An INSERT('|') at the end of an action list shows where the cursor was.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <string_view>

#include "actions/data_context.h"
#include "support.h"

namespace trelmix {
namespace {

using namespace std::string_view_literals;
using test::Harness;
using test::OneRule;

struct EditCase {
    std::string_view actions;  // lines of one action block, run on every record
    std::string_view record;
    std::string_view expected;
};

void ExpectEdits(const EditCase* cases, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const EditCase& c = cases[i];
        Harness h(OneRule("", c.actions));
        ASSERT_TRUE(h.assigned) << c.actions;
        const auto r = h.Run(c.record);
        EXPECT_EQ(r.status, TRLM_STATUS_APPLIED) << c.actions;
        EXPECT_EQ(r.data, c.expected) << c.actions << "\n  on '" << c.record << "'";
    }
}

TEST(TrimActions, PadRemoveCrunchAndSkip) {
    const EditCase cases[] = {
        {"PAD_SPACES(2)\nINSERT('|')", "12345", "12345 | "},
        {"SKIP_AHEAD(1)\nPAD_SPACES(6)\nINSERT('|')", "12345", "1|2345"},  // longer than the data
        {"PAD_SPACES(2)\nINSERT('|')", "123", "123 | "},
        {"PAD_SPACES(3)\nINSERT('|')", "123", "123  | "},
        {"SKIP_AHEAD(1)\nPAD_SPACES(4)\nINSERT('|')", "123", "1|23"},
        {"PAD_SPACES(0)\nINSERT('|')", "123", "12|3"},
        {"PAD_ZEROS(3)\nINSERT('|')", "123", "12300|0"},
        {"PAD_ZEROS(0)\nINSERT('|')", "123", "12|3"},
        {"PAD_SPACES(0)\nINSERT('|')", "", "|"},
        {"PAD_ZEROS(1)", "", ""},
        // 2^31 and more read as a negative count: nothing changes, the cursor included.
        {"SKIP_AHEAD(1)\nPAD_SPACES(2147483648)\nINSERT('|')", "123", "1|23"},
        {"SKIP_AHEAD(1)\nPAD_ZEROS(4294967295)\nINSERT('|')", "123", "1|23"},
        {"PAD_ZEROS(4294967298)", "123", "12300"},  // modulo 2^32: 2
        {"SKIP_AHEAD(2)\nREMOVE_SPACES\nINSERT('|')", "A B C", "A |BC"},
        {"REMOVE_SPACES", "A B C", "ABC"},
        {"REMOVE_SPACES(5)", " A\tB ", "A\tB"},  // the (5) is ignored; a tab is no space
        {"REMOVE_ZEROS", "0102030", "123"},
        {"SKIP_END\nREMOVE_ZEROS", "00100", "0010"},
        {"APPEND(' ')\nREMOVE_SPACES", "a b", "a b "},  // cursor after the last byte
        {"REMOVE_SPACES\nINSERT('|')", "   ", "|"},
        {"CRUNCH_SPACES", "  A   B  ", " A B "},
        {"SKIP_END\nCRUNCH_SPACES", "  A   B  ", " A B "},
        {"CRUNCH_SPACES", "A \t B", "A \t B"},
        {"CRUNCH_SPACES", "  \t  ", " \t "},
        {"CRUNCH_SPACES", "AB", "AB"},
        {"SKIP_END\nSKIP_AHEAD(1)\nINSERT('|')", "ABC", "AB|C"},
        {"SKIP_END\nSKIP_START\nSKIP_BACK(1)\nINSERT('|')", "ABC", "|ABC"},
        {"SKIP_AHEAD(1)\nSKIP_AHEAD(3)\nINSERT('|')", "ABCDE", "ABCD|E"},
        {"SKIP_AHEAD(1)\nSKIP_AHEAD(4)\nINSERT('|')", "ABCDE", "A|BCDE"},  // 5 is past the end
        {"SKIP_AHEAD(1)\nSKIP_BACK(2)\nINSERT('|')", "ABCDE", "A|BCDE"},
        {"SKIP_AHEAD(3)\nSKIP_BACK(2)\nINSERT('|')", "ABCDE", "A|BCDE"},
        {"SKIP_AHEAD(2)\nSKIP_AHEAD(0)\nSKIP_BACK(0)\nINSERT('|')", "ABCDE", "AB|CDE"},
        {"SKIP_AHEAD(2)\nSKIP_AHEAD(4294967295)\nINSERT('|')", "ABCDE", "A|BCDE"},  // count -1
        {"SKIP_END\nSKIP_AHEAD(1)\nINSERT('|')", "", "|"},
    };
    ExpectEdits(cases, std::size(cases));
}

TEST(TextActions, ReplaceMoveAppendPrependInsert) {
    const EditCase cases[] = {
        {"REPLACE_FIRST('CDE','xy')\nINSERT('|')", "ABCDEF", "ABxy|F"},
        {"SKIP_AHEAD(1)\nREPLACE_FIRST('AB','x')\nINSERT('|')", "ABCABC", "ABCx|C"},
        {"SKIP_AHEAD(1)\nREPLACE_FIRST('zz','x')\nINSERT('|')", "ABCABC", "A|BCABC"},
        {"REPLACE_FIRST('','x')", "ABC", "ABC"},
        {"REPLACE_FIRST('C','')\nINSERT('|')", "ABC", "AB|"},
        {"REPLACE_FIRST('BCD','x')", "ABC", "ABC"},  // would run past the end
        {"REPLACE_ALL('0','')\nINSERT('|')", "100200", "12|"},
        {"REPLACE_ALL('a','aa')\nINSERT('|')", "aXa", "aaXaa|"},
        {"REPLACE_ALL('ab','abab')\nINSERT('|')", "abab", "abababab|"},
        {"REPLACE_ALL('aa','b')\nINSERT('|')", "aaaaa", "bb|a"},  // left to right, no overlap
        {"SKIP_AHEAD(2)\nREPLACE_ALL('a','b')\nINSERT('|')", "aaaa", "aabb|"},
        {"SKIP_AHEAD(1)\nREPLACE_ALL('z','y')\nINSERT('|')", "abc", "a|bc"},
        {"REPLACE_ALL('','x')\nINSERT('|')", "abc", "|abc"},
        {"REPLACE_ALL('0','')\nINSERT('|')", "000", "|"},
        {"REPLACE_ALL('a','x')", "aAa", "xAx"},  // bytes compared exactly
        {"REPLACE_ALL('&#xFF;','&#x00;')", "\xFF" "a\xFF", "\0a\0"sv},
        {"MOVE_BEFORE('C')\nINSERT('|')", "ABCABC", "AB|CABC"},
        {"MOVE_BEFORE('C')\nMOVE_BEFORE('C')\nINSERT('|')", "ABCABC", "AB|CABC"},
        {"MOVE_AFTER('C')\nINSERT('|')", "ABCABC", "ABC|ABC"},
        {"MOVE_AFTER('C')\nMOVE_AFTER('C')\nINSERT('|')", "ABCABC", "ABCABC|"},
        {"MOVE_BEFORE('CD')\nINSERT('|')", "ABC", "|ABC"},
        {"SKIP_AHEAD(1)\nMOVE_AFTER('')\nINSERT('|')", "ABC", "A|BC"},
        {"SKIP_AHEAD(2)\nMOVE_BEFORE('A')\nINSERT('|')", "ABC", "AB|C"},  // only forward
        {"APPEND('x')\nINSERT('|')", "ABC", "ABCx|"},
        {"APPEND('')\nINSERT('|')", "ABC", "ABC|"},
        {"APPEND('12')\nINSERT('|')", "AB", "AB12|"},
        {"APPEND('&#x0D;&#x0A;')", "ABC", "ABC\r\n"},
        {"APPEND('it\\'s')", "", "it's"},
        {"PREPEND('x')\nINSERT('|')", "ABC", "x|ABC"},
        {"PREPEND('xy')\nINSERT('|')", "ABC", "xy|ABC"},
        {"PREPEND('xyz')\nINSERT('|')", "AB", "|xyzAB"},
        {"PREPEND('wxyz')\nINSERT('|')", "ABC", "|wxyzABC"},
        {"PREPEND('xyz')\nINSERT('|')", "ABC", "|xyzABC"},
        {"PREPEND('ab')\nINSERT('|')", "", "|ab"},
        {"INSERT('-')\nINSERT('|')", "ABC", "-|ABC"},
        {"SKIP_AHEAD(1)\nINSERT('-')\nINSERT('|')", "ABC", "A-|BC"},
        {"SKIP_END\nINSERT('-')\nINSERT('|')", "ABC", "AB-|C"},
        {"MOVE_AFTER('C')\nINSERT('-')", "ABC", "ABC-"},
        {"SKIP_END\nINSERT('ab')\nINSERT('|')", "", "ab|"},  // cursor -1 inserts at 0
    };
    ExpectEdits(cases, std::size(cases));
}

// REPLACE_ALL gives exactly what REPLACE_FIRST repeated until nothing is
// found gives, data and cursor alike.
TEST(TextActions, ReplaceAllIsRepeatedReplaceFirst) {
    const char* searches[] = {"a", "aa", "ab", "aba", "b"};
    const char* replacements[] = {"", "a", "b", "aa", "ba", "xyz"};
    const char* records[] = {"", "a", "aaaa", "abababa", "baaab", "xaax", "aabaabaa"};
    for (const char* search : searches) {
        for (const char* replacement : replacements) {
            for (const char* skip : {"", "SKIP_AHEAD(1)\n", "SKIP_AHEAD(3)\n"}) {
                const std::string args = std::string("('") + search + "','" + replacement + "')\n";
                std::string repeated = skip;
                for (int i = 0; i < 10; ++i) repeated += "REPLACE_FIRST" + args;
                Harness all(OneRule("", skip + ("REPLACE_ALL" + args) + "INSERT('|')"));
                Harness first(OneRule("", repeated + "INSERT('|')"), false, 8);
                ASSERT_TRUE(all.assigned && first.assigned) << args;
                for (const char* record : records) {
                    EXPECT_EQ(all.Run(record).data, first.Run(record).data) << skip << args << record;
                }
            }
        }
    }
}

// CRUNCH_SPACES never moves the cursor, so it can stand past the new end.
TEST(TrimActions, CursorPastTheEndAfterCrunch) {
    const EditCase cases[] = {
        {"SKIP_END\nCRUNCH_SPACES\nINSERT('|')", "a    b", "a b|"},  // inserts at the end
        {"SKIP_END\nCRUNCH_SPACES\nREMOVE_SPACES", "a    b", "a b"},
        {"SKIP_END\nCRUNCH_SPACES\nMOVE_BEFORE('b')\nINSERT('|')", "a    b", "a b|"},
        {"SKIP_END\nCRUNCH_SPACES\nREPLACE_ALL(' ','_')", "a    b", "a b"},
        {"SKIP_END\nCRUNCH_SPACES\nSKIP_BACK(2)\nINSERT('|')", "a    b", "a b|"},
        {"SKIP_END\nCRUNCH_SPACES\nSKIP_BACK(3)\nINSERT('|')", "a    b", "a |b"},
        {"SKIP_END\nCRUNCH_SPACES\nPAD_ZEROS(1)\nINSERT('|')", "a    b", "a b|0"},
    };
    ExpectEdits(cases, std::size(cases));
}

TEST(EditingActions, RejectedStatements) {
    const struct {
        std::string script;
        bool accepted;
    } cases[] = {
        {OneRule("", "PAD_SPACES('2')"), false},
        {OneRule("", "PAD_SPACES(-2)"), false},
        {OneRule("", "PAD_SPACES(1,2)"), false},
        {OneRule("", "PAD_SPACES"), false},
        {OneRule("", "PAD_SPACES()"), false},
        {OneRule("", "PAD_ZEROS(x)"), false},
        {OneRule("", "SKIP_AHEAD(1 )"), false},
        {OneRule("", "SKIP_BACK('1')"), false},
        {OneRule("", "SKIP_AHEAD(0)\nSKIP_BACK(0)\nPAD_SPACES(0)\nPAD_ZEROS(9)"), true},
        {OneRule("", "REMOVE_SPACES(5)\nCRUNCH_SPACES x\nSKIP_END()"), true},
        {OneRule("", "REPLACE_ALL('a')"), false},
        {OneRule("", "REPLACE_FIRST('a','b','c')"), false},
        {OneRule("", "REPLACE_FIRST('a',5)"), false},
        {OneRule("", "REPLACE_ALL(5,'a')"), false},
        {OneRule("", "APPEND('a','b')"), false},
        {OneRule("", "INSERT(5)"), false},
        {OneRule("", "PREPEND()"), false},
        {OneRule("", "MOVE_AFTER"), false},
        {OneRule("", "MOVE_BEFORE('a)"), false},
        {OneRule("", "REPLACE_ALL('','')\nMOVE_BEFORE('')\nAPPEND('')"), true},
        // Every action statement belongs in an action block.
        {OneRule("PAD_SPACES(1)", ""), false},
        {OneRule("SKIP_START", ""), false},
        {OneRule("REMOVE_ZEROS", ""), false},
        {OneRule("APPEND('a')", ""), false},
        {"BEGIN_RULE\nSKIP_AHEAD(1)\nEND_RULE\n", false},
        {"BEGIN_RULE\nCRUNCH_SPACES\nEND_RULE\n", false},
        {"BEGIN_RULE\nREPLACE_FIRST('a','b')\nEND_RULE\n", false},
        {"INSERT('a')\n", false},
        {"SKIP_END\n", false},
    };
    for (const auto& c : cases) {
        Harness h(c.script);
        EXPECT_EQ(h.assigned, c.accepted) << c.script;
    }
}

// An edit whose result would pass kMaxRecordLength fails like an allocation:
// the host gets the out-of-memory status and its buffer as it was. A result
// of exactly the limit is made (and then does not fit the harness's buffer).
TEST(EditingActions, RecordPastTheLimitFailsLikeAnAllocation) {
    static_assert(kMaxRecordLength == 65536 * 1024);
    Harness h(OneRule("", "REPLACE_ALL('a','" + std::string(1024, 'b') + "')"));
    ASSERT_TRUE(h.assigned);
    EXPECT_EQ(h.Run(std::string(65536, 'a')).status, TRLM_STATUS_TOO_LONG);
    const std::string record(65537, 'a');
    const auto r = h.Run(record);
    EXPECT_EQ(r.status, TRLM_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(r.data, record);
}

// ---- realistic scripts ------------------------------------------------------

// Leading zeros go from code type 3 only; a lone zero stays (a '*' after the
// zeros needs one more byte). REMOVE_ZEROS would take every zero.
TEST(EditingScripts, StripLeadingZerosFromOneCodeType) {
    std::string script;
    for (const char* zeros : {"000", "00", "0"}) {
        script += OneRule(std::string("CODE_LIST(3)\nWILDCARD_MATCH('") + zeros + "*')",
                          std::string("REPLACE_FIRST('") + zeros + "','')");
    }
    Harness h(script);
    ASSERT_TRUE(h.assigned);
    const struct {
        const char* record;
        std::uint32_t codeType;
        const char* expected;
    } cases[] = {
        {"000123", 3, "123"}, {"0100", 3, "100"},   {"00012", 3, "12"}, {"0", 3, "0"},
        {"000", 3, "0"},      {"0000", 3, "0"},     {"123", 3, "123"},  {"000123", 4, "000123"},
    };
    for (const auto& c : cases) EXPECT_EQ(h.Run(c.record, c.codeType).data, c.expected) << c.record;
}

// PAD_SPACES adds at most as many spaces as the data has bytes, so a short
// code needs its fill in steps.
TEST(EditingScripts, PadToAFixedWidth) {
    const std::string script = OneRule("CODE_LENGTH(3)", "PAD_SPACES(3)\nPAD_SPACES(2)") +
                               OneRule("CODE_LENGTH(5)", "PAD_SPACES(3)") +
                               OneRule("CODE_LENGTH(7)", "PAD_SPACES(1)") +
                               OneRule("CODE_LENGTH(2)", "PAD_SPACES(6)");  // too long: unchanged
    Harness h(script);
    ASSERT_TRUE(h.assigned);
    const struct {
        const char* record;
        const char* expected;
    } cases[] = {
        {"ABC", "ABC     "}, {"ABCDE", "ABCDE   "}, {"ABCDEFG", "ABCDEFG "},
        {"ABCDEFGH", "ABCDEFGH"}, {"AB", "AB"},
    };
    for (const auto& c : cases) EXPECT_EQ(h.Run(c.record).data, c.expected) << c.record;
}

// A GS1 element string (FNC1 as the byte 0x1D) becomes its human-readable form.
TEST(EditingScripts, ReformatGs1ElementString) {
    const std::string script = OneRule("CODE_LIST(71)\nWILDCARD_MATCH('01*&#x1D;17*')",
                                       "REPLACE_FIRST('01','(01)')\n"
                                       "SKIP_AHEAD(14)\n"
                                       "INSERT('(')\n"
                                       "SKIP_AHEAD(2)\n"
                                       "INSERT(')')\n"
                                       "REPLACE_FIRST('&#x1D;17','(17)')\n"
                                       "REPLACE_ALL('&#x1D;','')");
    Harness h(script);
    ASSERT_TRUE(h.assigned);
    EXPECT_EQ(h.Run("010950110102091710ABC123\x1D" "17191231", 71).data,
              "(01)09501101020917(10)ABC123(17)191231");
    EXPECT_EQ(h.Run("010950110102091710A\x1D" "17191231\x1D", 71).data,
              "(01)09501101020917(10)A(17)191231");
    EXPECT_EQ(h.Run("010950110102091710ABC123", 71).data, "010950110102091710ABC123");
    EXPECT_EQ(h.Run("010950110102091710ABC123\x1D" "17191231", 72).data,
              "010950110102091710ABC123\x1D" "17191231");
}

// ---- the working record directly, for what a script cannot show -----------

TEST(DataContext, QuirksOutOfReachOfScripts) {
    ByteArg ab;
    ab.bytes = {'a', 'b'};

    DataContext empty;  // SKIP_END or PAD_* 0 on empty data leave the cursor at -1
    empty.PadEnd(0, ' ');
    EXPECT_EQ(empty.cursor, -1);
    EXPECT_EQ(empty.length, 0);
    empty.ReplaceAtCursor(ab, 0);
    EXPECT_EQ(test::Str(empty.data), "ab");
    EXPECT_EQ(empty.cursor, 2);

    DataContext d;
    d.data = test::Bytes("ABC");
    d.length = 3;
    d.cursor = 1;
    d.ReplaceAtCursor(ab, 4);  // more to remove than there is: nothing changes
    d.PadEnd(4, ' ');          // more fill than data
    d.PadEnd(-1, ' ');         // a count of 2^31 or more
    EXPECT_EQ(test::Str(d.data), "ABC");
    EXPECT_EQ(d.length, 3);
    EXPECT_EQ(d.cursor, 1);

    d.cursor = 7;  // past the end, as CRUNCH_SPACES can leave it
    d.ReplaceAtCursor(ab, 0);
    EXPECT_EQ(test::Str(d.data), "ABCab");
    EXPECT_EQ(d.cursor, 5);
}

// Each edit that could pass the limit, on a record whose length is faked
// just below it: the size is checked before any byte is read or written.
TEST(DataContext, ResultPastTheLimitThrowsBeforeAnyChange) {
    ByteArg two;
    two.bytes = {'a', 'b'};
    DataContext d;
    d.data = test::Bytes("ABC");
    d.length = kMaxRecordLength - 1;
    d.cursor = 1;
    EXPECT_THROW(d.AppendText(two), std::bad_alloc);
    EXPECT_THROW(d.PrependText(two), std::bad_alloc);
    EXPECT_THROW(d.ReplaceAtCursor(two, 0), std::bad_alloc);
    EXPECT_THROW(d.PadEnd(2, ' '), std::bad_alloc);
    EXPECT_EQ(test::Str(d.data), "ABC");
    EXPECT_EQ(d.length, kMaxRecordLength - 1);
    EXPECT_EQ(d.cursor, 1);
}

TEST(ByteSpan, ComparePrefixAndFindFrom) {
    const std::uint8_t abc[] = {'A', 'B', 'C'};
    const ByteSpan span{3, abc};
    const auto P = [](const char* s) { return reinterpret_cast<const std::uint8_t*>(s); };
    EXPECT_EQ(span.ComparePrefix(2, P("AB")), 0);
    EXPECT_EQ(span.ComparePrefix(3, P("ABC")), 0);
    EXPECT_EQ(span.ComparePrefix(4, P("ABCD")), -1);
    EXPECT_EQ(span.ComparePrefix(0, P("")), 1);
    EXPECT_EQ(span.ComparePrefix(2, nullptr), 1);
    EXPECT_EQ(span.ComparePrefix(2, P("AA")), 1);
    EXPECT_EQ(span.ComparePrefix(2, P("AZ")), -1);
    EXPECT_EQ(span.ComparePrefix(1, P("\xFF")), -1);  // unsigned bytes
    EXPECT_EQ((ByteSpan{0, abc}).ComparePrefix(1, P("A")), -1);
    EXPECT_EQ((ByteSpan{0, abc}).ComparePrefix(0, P("")), -1);  // the empty span first
    EXPECT_EQ((ByteSpan{3, nullptr}).ComparePrefix(1, P("A")), -1);

    const std::uint8_t text[] = {'x', 'A', 'B', 'A', 'B'};
    const ByteSpan record{5, text};
    EXPECT_EQ(record.FindFrom(2, P("AB"), 0), 1);
    EXPECT_EQ(record.FindFrom(2, P("AB"), 2), 3);
    EXPECT_EQ(record.FindFrom(2, P("AB"), 4), -1);  // would run past the end
    EXPECT_EQ(record.FindFrom(1, P("B"), 4), 4);
    EXPECT_EQ(record.FindFrom(1, P("B"), 5), -1);
    EXPECT_EQ(record.FindFrom(1, P("B"), 0xFFFFFFFFu), -1);
    EXPECT_EQ(record.FindFrom(0, P(""), 0), -1);
    EXPECT_EQ(record.FindFrom(6, P("xABABx"), 0), -1);
}

}  // namespace
}  // namespace trelmix
