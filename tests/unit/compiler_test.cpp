#include <gtest/gtest.h>

#include "platform/simulated/simulated_host.h"
#include "script/compiler.h"
#include "script/event_reporter.h"
#include "support.h"

namespace trelmix {
namespace {

using test::U16;

struct Compiled {
    bool ok;
    std::size_t rules;
    CompileReport report;
    std::vector<std::u16string> events;
};

Compiled Compile(std::string_view text, bool keyboard = false) {
    platform::ScopedRecording rec;
    const std::u16string t = U16(text);
    Program s;
    Compiled c;
    c.ok = CompileScript(s, t.c_str(), keyboard, &c.report);
    c.rules = s.rules.size();
    c.events = rec.recording.events;
    // Positions are checked through Locate against the same text.
    if (c.report.rejected) {
        const SourcePosition p = Locate(t.c_str(), c.report.error.at);
        c.report.error.reason += " @" + std::to_string(p.line) + ":" + std::to_string(p.column);
    }
    return c;
}

struct BlockCase {
    const char* text;
    bool ok;
    std::size_t rules;
};

TEST(Compiler, BlockStateMachine) {
    const BlockCase cases[] = {
        {"", true, 0},
        {"  \t\n\r\n just words\n", true, 0},
        {"BEGIN_RULE\nEND_RULE", true, 1},
        {"BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nBEGIN_CRITERIA\nEND_CRITERIA\nEND_RULE", true, 1},
        {"BEGIN_RULE\nSET_RULESET(1)\nBEGIN_CRITERIA\nEND_CRITERIA\nSET_RULESET(2)\nBEGIN_ACTION\nEND_ACTION\nSET_"
         "RULESET(3)\nEND_RULE",
         true, 1},
        {"BEGIN_RULE\nBEGIN_ACTION\nSET_RULESET(3)\nEND_ACTION\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_RULE\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_ACTION\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_CRITERIA\nBEGIN_CRITERIA\nEND_CRITERIA\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nBEGIN_ACTION\nEND_ACTION\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nBEGIN_ACTION\nEND_RULE", false, 0},
        {"END_RULE", false, 0},
        {"END_CRITERIA", false, 0},
        {"END_ACTION", false, 0},
        {"BEGIN_CRITERIA", false, 0},
        {"BEGIN_RULE\nEND_RULE\nBEGIN_RULE\nBEGIN_ACTION", true, 1},  // the open rule is dropped
        {"BEGIN_RULE\nEND_RULEX\nBEGIN_RULE\nEND_RULE", true, 2},     // END_RULEX is END_RULE
        {"begin_rule\nBEGIN_CRITERIA", false, 0},                     // the lower case line is ignored
        {"\t  BEGIN_RULE\r\n\tEND_RULE\r\n", true, 1},
        {"xBEGIN_RULE\nEND_RULE", false, 0},
    };
    for (const auto& c : cases) {
        const Compiled r = Compile(c.text);
        EXPECT_EQ(r.ok, c.ok) << c.text;
        if (r.ok) {
            EXPECT_EQ(r.rules, c.rules) << c.text;
        }
        EXPECT_EQ(r.events.size(), 1u) << c.text;
    }
}

// The four load events are pinned by the conformance cases; a null text
// reports nothing.
TEST(Compiler, NullTextReportsNothing) {
    platform::ScopedRecording rec;
    Program s;
    EXPECT_FALSE(CompileScript(s, nullptr, false));
    EXPECT_TRUE(rec.recording.events.empty());
}

TEST(EventReporter, PrefixesAndCutsTo255) {
    platform::ScopedRecording rec;
    ReportEvent(kEventSource, std::u16string(300, u'x'));
    ASSERT_EQ(rec.recording.events.size(), 1u);
    EXPECT_EQ(rec.recording.events[0].size(), 255u);
    EXPECT_EQ(rec.recording.events[0].substr(0, 5), u"\r\n\r\nx");
}

// The messages `trelmix check` cases do not show already.
TEST(Diagnostics, PointAtTheEditorsLineAndColumnWithAReason) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"BEGIN_RULE\nBEGIN_ACTION\nREPLACE_ALL('a', 'b',  'c')",  // points at the first one too many
         "REPLACE_ALL takes 2 arguments (two quoted strings), got 3 @3:24"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_MATCH(12, 3)",
         "argument 1 of CODE_MATCH must be a quoted string, like 'ABC' @3:12"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(1 ,2)",
         "argument 1 of CODE_LIST must be a number (digits only, no blanks) @3:11"},
        {"BEGIN_RULE\nBEGIN_ACTION\nPAD_SPACES",
         "PAD_SPACES arguments: the argument list is missing: no '(' on the line @3:11"},
        {"BEGIN_RULE\nBEGIN_ACTION\nAPPEND('x'\nEND_ACTION",
         "APPEND arguments: the ')' that closes the argument list is missing @3:11"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_CRITERIA\nEND_RULE\nEND_CRITERIA",
         "END_CRITERIA without BEGIN_CRITERIA @5:1"},
        {"BEGIN_RULE\nBEGIN_ACTION\nBEGIN_RULE",
         "BEGIN_RULE inside an action block (END_ACTION is missing); rules do not nest @3:1"},
        {"BEGIN_RULE\nBEGIN_ACTION\nBEGIN_RULE\n  END_ACTION",
         "BEGIN_RULE inside an action block that an END_ACTION further down closes; rules do not nest: end the open "
         "rule before beginning another @3:1"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(1, )", "CODE_LIST arguments: a comma with no argument after it @3:14"},
    };
    for (const auto& c : cases) {
        const Compiled r = Compile(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.report.error.reason, c.reason) << c.text;
    }
}

}  // namespace
}  // namespace trelmix
