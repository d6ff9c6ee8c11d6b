#include <gtest/gtest.h>

#include "platform/simulated/simulated_host.h"
#include "script/compiler.h"
#include "support.h"

namespace trelmix {
namespace {

using test::U16;

struct Compiled {
    bool ok;
    CompileReport report;
};

Compiled Compile(std::string_view text, bool keyboard = false) {
    platform::ScopedRecording rec;
    const std::u16string t = U16(text);
    Program s;
    Compiled c;
    c.ok = CompileScript(s, t.c_str(), keyboard, &c.report);
    // Positions are checked through Locate against the same text.
    if (c.report.rejected) {
        const SourcePosition p = Locate(t.c_str(), c.report.error.at);
        c.report.error.reason += " @" + std::to_string(p.line) + ":" + std::to_string(p.column);
    }
    return c;
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
        {"BEGIN_RULE\nBEGIN_ACTION\nAPPEND('x' )", "APPEND arguments: a blank after the last argument @3:11"},
    };
    for (const auto& c : cases) {
        const Compiled r = Compile(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.report.error.reason, c.reason) << c.text;
    }
}

}  // namespace
}  // namespace trelmix
