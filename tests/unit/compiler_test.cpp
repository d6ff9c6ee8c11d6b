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

// The messages that neither `trelmix check` cases nor the pinned boundary arguments
// (cli/generated_test.cpp) show.
TEST(Diagnostics, PointAtTheEditorsLineAndColumnWithAReason) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"BEGIN_RULE\nBEGIN_ACTION\nPAD_SPACES",
         "PAD_SPACES arguments: the argument list is missing: no '(' on the line @3:11"},
        {"BEGIN_RULE\nBEGIN_CRITERIA\nEND_CRITERIA\nEND_RULE\nEND_CRITERIA",
         "END_CRITERIA without BEGIN_CRITERIA @5:1"},
        {"BEGIN_RULE\nBEGIN_ACTION\nBEGIN_RULE",
         "BEGIN_RULE inside an action block (END_ACTION is missing); rules do not nest @3:1"},
        {"BEGIN_RULE\nBEGIN_ACTION\nBEGIN_RULE\n  END_ACTION",
         "BEGIN_RULE inside an action block that an END_ACTION further down closes; rules do not nest: end the open "
         "rule before beginning another @3:1"},
    };
    for (const auto& c : cases) {
        const Compiled r = Compile(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.report.error.reason, c.reason) << c.text;
    }
}

}  // namespace
}  // namespace trelmix
