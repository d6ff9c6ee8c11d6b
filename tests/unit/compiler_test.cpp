#include <gtest/gtest.h>

#include "platform/testing/recording.h"
#include "script/compiler.h"
#include "script/event_reporter.h"
#include "support.h"

namespace trelmix {
namespace {

using test::U16;

struct Compiled { bool ok; std::size_t rules; CompileReport report; std::vector<std::u16string> events; };

Compiled Compile(std::string_view text, bool keyboard = false) {
    platform::ScopedRecording rec;
    const std::u16string t = U16(text);
    Script s;
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

struct BlockCase { const char* text; bool ok; std::size_t rules; };

TEST(Compiler, BlockStateMachine) {
    const BlockCase cases[] = {
        {"", true, 0}, {"  \t\n\r\n just words\n", true, 0}, {"BEGIN_RULE\nEND_RULE", true, 1},
        {"BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nBEGIN_CRITERIA\nEND_CRITERIA\nEND_RULE", true, 1},
        {"BEGIN_RULE\nSET_RULESET(1)\nBEGIN_CRITERIA\nEND_CRITERIA\nSET_RULESET(2)\nBEGIN_ACTION\nEND_ACTION\nSET_RULESET(3)\nEND_RULE", true, 1},
        {"BEGIN_RULE\nBEGIN_ACTION\nSET_RULESET(3)\nEND_ACTION\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_RULE\nEND_RULE", false, 0}, {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_ACTION\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_CRITERIA\nBEGIN_CRITERIA\nEND_CRITERIA\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nBEGIN_ACTION\nEND_ACTION\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nBEGIN_ACTION\nEND_RULE", false, 0}, {"END_RULE", false, 0},
        {"END_CRITERIA", false, 0}, {"END_ACTION", false, 0}, {"BEGIN_CRITERIA", false, 0},
        {"CODE_LENGTH(3)", false, 0}, {"BEGIN_RULE\nCODE_LENGTH(3)\nEND_RULE", false, 0},
        {"BEGIN_RULE\nREMOVE_SPACES\nEND_RULE", false, 0},
        {"BEGIN_RULE\nEND_RULE\nBEGIN_RULE\nBEGIN_ACTION", true, 1},  // the open rule is dropped
        {"BEGIN_RULE\nEND_RULEX\nBEGIN_RULE\nEND_RULE", true, 2},    // END_RULEX is END_RULE
        {"begin_rule\nBEGIN_CRITERIA", false, 0},                    // the lower case line is ignored
        {"BEGIN_RULE\nBEGIN_ACTION\nREMOVE_SPACES(5)\nEND_ACTION\nEND_RULE", true, 1},
        {"\t  BEGIN_RULE\r\n\tEND_RULE\r\n", true, 1}, {"xBEGIN_RULE\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_MATCH('AB')\nEND_CRITERIA\nEND_RULE", false, 0},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_MATCH(12, 3)\nEND_CRITERIA\nEND_RULE", false, 0},
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

TEST(Compiler, OneEventPerCompilationInBothModes) {
    const struct { const char* text; bool keyboard; const char16_t* event; } cases[] = {
        {"", false, u"\r\n\r\nAPPLICATION TRELM SCRIPT LOADED SUCCESSFULLY."},
        {"END_RULE", false, u"\r\n\r\nAPPLICATION TRELM SCRIPT ERROR DETECTED."},
        {"", true, u"\r\n\r\nSIMULATED HID KEYBOARD TRELM SCRIPT LOADED SUCCESSFULLY."},
        {"END_RULE\nEND_RULE", true, u"\r\n\r\nSIMULATED HID KEYBOARD TRELM SCRIPT ERROR DETECTED."},
    };
    for (const auto& c : cases) {
        const Compiled r = Compile(c.text, c.keyboard);
        ASSERT_EQ(r.events.size(), 1u) << c.text;
        EXPECT_EQ(r.events[0], c.event) << c.text;
    }
    platform::ScopedRecording rec;
    Script s;
    EXPECT_FALSE(CompileScript(s, nullptr, false));
    EXPECT_TRUE(rec.recording.events.empty());  // a null text reports nothing
}

TEST(EventReporter, PrefixesAndCutsTo255) {
    platform::ScopedRecording rec;
    ReportEvent(kEventSource, std::u16string(300, u'x'));
    ASSERT_EQ(rec.recording.events.size(), 1u);
    EXPECT_EQ(rec.recording.events[0].size(), 255u);
    EXPECT_EQ(rec.recording.events[0].substr(0, 5), u"\r\n\r\nx");
}

TEST(Diagnostics, PointAtTheEditorsLineAndColumnWithAReason) {
    const struct { const char* text; const char* reason; } cases[] = {
        {"BEGIN_RULE\r\nBEGIN_CRITERIA\r\n  CODE_MATCH('AB')",
         "CODE_MATCH takes 2 arguments (a quoted string and a number), got 1 @3:14"},
        {"BEGIN_RULE\nCODE_LENGTH(3)", "CODE_LENGTH is only allowed inside BEGIN_CRITERIA ... END_CRITERIA @2:1"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_CRITERIA\n\rBEGIN_CRITERIA", "a second BEGIN_CRITERIA in one rule @5:1"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LENGTH(12 )", "CODE_LENGTH arguments: a blank after the last argument @3:15"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_MATCH(12, 3)", "argument 1 of CODE_MATCH must be a quoted string, like 'ABC' @3:12"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(1 ,2)", "argument 1 of CODE_LIST must be a number (digits only, no blanks) @3:11"},
        {"BEGIN_RULE\nBEGIN_ACTION\nPAD_SPACES", "PAD_SPACES arguments: the argument list is empty or has no parentheses @3:11"},
        {"END_RULE", "END_RULE without BEGIN_RULE @1:1"},
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
