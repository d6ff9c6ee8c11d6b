#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyboard_support.h"
#include "platform/recording.h"
#include "script/compiler.h"
#include "support.h"

namespace trelmix {
namespace {

using test::Harness;
using test::OneRule;
using test::Render;

// A keyboard script runs with the recording platform and its transmit object.
class SendActions : public ::testing::Test {
protected:
    platform::ScopedRecording scoped;
    platform::RecordingPlatform& rec = scoped.recording;

    void SetUp() override { TRLM_SetTransmitObject(&rec.transmit); }
    void TearDown() override { TRLM_SetTransmitObject(nullptr); }

    // Runs one rule of `actions` on `record`; returns what was pressed, typed
    // and slept, and the record handed back in `data`.
    std::string Run(const std::string& actions, std::string_view record, std::string* data = nullptr) {
        Harness h(OneRule("", actions), true);
        EXPECT_TRUE(h.assigned) << actions;
        rec.output.clear();
        const Harness::Result r = h.Run(record);
        EXPECT_EQ(r.status, TRLM_STATUS_APPLIED) << actions;
        if (data) *data = r.data;
        return Render(rec);
    }
};

TEST_F(SendActions, TypeTheRecordAndPressKeys) {
    const struct {
        const char* actions;
        const char* record;
        const char* output;
        const char* data;  // the record handed back: INSERT('|') shows the cursor
    } cases[] = {
        {"SKIP_AHEAD(2)\nSEND_REM\nINSERT('|')", "ABCDE", "C D E", "AB|CDE"},
        {"SKIP_AHEAD(2)\nSEND_ALL\nINSERT('|')", "ABCDE", "A B C D E", "|ABCDE"},
        {"MOVE_AFTER('E')\nSEND_REM", "ABCDE", "", "ABCDE"},
        {"SEND_ALL", "", "", ""},
        {"SEND_UNTIL(',')\nSEND_UNTIL(',')\nINSERT('|')", "AB,CD", "A B A B", "|AB,CD"},
        {"SKIP_AHEAD(2)\nSEND_UNTIL(',')", "AB,CD", "", "AB,CD"},
        {"SEND_UNTIL(';')", "AB,CD", "", "AB,CD"},
        {"SEND_UNTIL(',;')", "AB;C,D", "A B ; C", "AB;C,D"},  // only the first byte counts
        {"SEND_UNTIL('\x80')", "A\x80" "B", "A", "A\x80" "B"},
        {"SEND_UNTIL('')", "AB", "", "AB"},
        {"SEND_REM", "\x12" "Fx", "<d18 d70 u70 u18> x", "\x12" "Fx"},
        {"SKIP_END\nSEND_REM", "ab\x12", "", "ab\x12"},  // a lone Alt prefix at the end
        {"SEND_PAUSE(0)", "", "", ""},
        {"SEND_PAUSE(2)", "", "z2000", ""},
        {"SEND_PAUSE(4294968)", "", "z704", ""},   // count * 1000 in 32 bits
        {"SEND_PAUSE(2147483648)", "", "", ""},    // reads as negative
        {"SEND_ASCII('ab')", "", "a b", ""},
        {"SEND_ASCII(65)", "", "A", ""},
        {"SEND_ASCII(321)", "", "A", ""},
        {"SEND_ASCII('')", "", "", ""},
        {"SEND_ASCII(1 2)", "", "U+00FF", ""},  // not a number: -1, whose low 8 bits are 0xFF
        {"SEND_ALT('F')", "", "<d18 d70 u70 u18>", ""},
        {"SEND_ALT('f')", "", "<d18 d70 u70 u18>", ""},
        {"SEND_ALT('7')", "", "<d18 d55 u55 u18>", ""},
        {"SEND_ALT('%')", "", "", ""},
        {"SEND_ALT('')", "", "", ""},
        {"SEND_ALT(115)", "", "<d18 d115 u115 u18>", ""},
        {"SEND_ALT(300)", "", "", ""},
        {"SEND_ALT(1 2)", "", "", ""},  // not a number: -1
        {"SEND_ALT(65791)", "", "<d18 d255 u255 u18>", ""},  // low 16 bits: 255
        {"SEND_ALT('g', 'h')", "", "<d18 d71 u71 u18>", ""},
        {"SEND_CTRL('c')", "", "<d17 d67 u67 u17>", ""},
        {"SEND_CTRL('C')", "", "<d17 d67 u67 u17>", ""},
        {"SEND_CTRL(86)", "", "<d17 d86 u86 u17>", ""},
        {"SEND_CTRL('')", "", "", ""},
        {"SEND_WIN('%')", "", "<d91 d53 u53 u91>", ""},
        {"SEND_WIN('\xE9')", "", "<d91 d255 u255 u91>", ""},  // no key types it: the low byte of -1
        {"SEND_WIN('')", "", "", ""},
        {"SEND_FUNC(12)", "", "<d123 u123>", ""},
        {"SEND_FUNC(0)", "", "", ""},
        {"SEND_FUNC(25)", "", "", ""},
        {"SEND_FUNC(65537)", "", "<d112 u112>", ""},  // low 16 bits: 1
        {"SEND_EXTN('RET')", "", "<d13 u13>", ""},
        {"SEND_EXTN('RETURN')", "", "<d13 u13>", ""},
        {"SEND_EXTN('ret')", "", "", ""},
        {"SEND_EXTN('RE')", "", "", ""},
        {"SEND_EXTN('')", "", "", ""},
        {"SEND_NPAD('7')", "", "<d103 u103>", ""},
        {"SEND_NPAD('0')", "", "<d96 u96>", ""},
        {"SEND_NPAD('.')", "", "<d110 u110>", ""},
        {"SEND_NPAD('75')", "", "<d103 u103>", ""},
        {"SEND_NPAD('/')", "", "", ""},
        {"SEND_NPAD('+')", "", "", ""},
        {"SEND_NPAD('')", "", "", ""},
    };
    for (const auto& c : cases) {
        std::string data;
        EXPECT_EQ(Run(c.actions, c.record, &data), c.output) << c.actions;
        EXPECT_EQ(data, c.data) << c.actions;
    }
}

TEST_F(SendActions, CapsLockIsSwitchedOffAroundTypedData) {
    rec.capsLock = true;
    EXPECT_EQ(Run("SEND_ALL", "ab"), "<d20 u20> a b <d20 u20>");
    EXPECT_TRUE(rec.capsLock);
}

TEST_F(SendActions, WithoutTransmitObjectOnlyThePauseHappens) {
    TRLM_SetTransmitObject(nullptr);
    std::string data;
    const std::string out = Run(
        "SKIP_AHEAD(2)\nSEND_ALL\nSEND_REM\nSEND_UNTIL('D')\nSEND_PAUSE(1)\nSEND_ASCII('x')\nSEND_ALT('a')\n"
        "SEND_FUNC(1)\nSEND_EXTN('RET')\nSEND_WIN('r')\nSEND_CTRL('c')\nSEND_NPAD('1')\nINSERT('|')",
        "ABCDE", &data);
    EXPECT_EQ(out, "z1000");
    EXPECT_EQ(data, "AB|CDE");  // SEND_ALL leaves the cursor
}

TEST(SendActionLines, CompileOrFail) {
    platform::ScopedRecording quiet;  // the load events stay out of syslog
    const struct {
        const char* line;
        bool compiles;
    } cases[] = {
        {"SEND_ALL", true},
        {"SEND_ALL(whatever, 'x'", true},  // no argument list is read
        {"SEND_REM()", true},
        {"SEND_ALT('a', 'b')", true},
        {"SEND_ALT(65, 'b', 3)", true},
        {"SEND_ALT()", false},
        {"SEND_CTRL('a', 'b')", false},
        {"SEND_WIN('a', 'b')", false},
        {"SEND_ASCII('a', 'b')", false},
        {"SEND_UNTIL(',', ';')", false},
        {"SEND_UNTIL(44)", false},
        {"SEND_UNTIL", false},
        {"SEND_PAUSE('1')", false},
        {"SEND_PAUSE(1, 2)", false},
        {"SEND_FUNC('1')", false},
        {"SEND_FUNC()", false},
        {"SEND_EXTN(12)", false},
        {"SEND_NPAD(7)", false},
        {"SEND_NPAD('7')", true},
        {"SEND_ASCII(65)", true},
        {"SEND_WIN(91)", true},
        {"SEND_CTRL('')", true},
    };
    for (const auto& c : cases) {
        const std::u16string text = test::U16(OneRule("", c.line));
        Script script;
        CompileReport report;
        EXPECT_EQ(CompileScript(script, text.c_str(), true, &report), c.compiles) << c.line;
        if (!c.compiles) {
            const std::string keyword = std::string(c.line).substr(0, std::string(c.line).find('('));
            EXPECT_NE(report.error.reason.find(keyword), std::string::npos) << report.error.reason;
        }
    }
    // In a criteria block.
    const std::u16string text = test::U16(OneRule("SEND_FUNC(1)", "SEND_ALL"));
    Script script;
    CompileReport report;
    EXPECT_FALSE(CompileScript(script, text.c_str(), true, &report));
    EXPECT_EQ(report.error.reason, "SEND_FUNC is only allowed inside BEGIN_ACTION ... END_ACTION");
}

TEST_F(SendActions, ApplicationScriptsIgnoreSendLines) {
    Harness app(OneRule("", "SEND_ALL(,\nSEND_FUNC('x')\nAPPEND('!')"), false);
    ASSERT_TRUE(app.assigned);
    const Harness::Result r = app.Run("ab");
    EXPECT_EQ(r.data, "ab!");
    EXPECT_TRUE(rec.output.empty());
}

#if !defined(_WIN32)
// A Linux host stands in for SendInput, the Caps Lock state and the event log.
TEST(PlatformHooks, HostReceivesInjectionsAndEvents) {
    struct Seen {
        std::vector<std::vector<std::uint16_t>> injections;  // virtual key, flags, per record
        std::vector<std::u16string> events;
        int capsQueries = 0;
    } seen;
    PlatformHooks hooks{};
    hooks.inputSink = [](void* ctx, const InputRecord* records, std::uint32_t count) {
        auto& injection = static_cast<Seen*>(ctx)->injections.emplace_back();
        for (std::uint32_t i = 0; i < count; ++i) {
            injection.push_back(records[i].u.keyboard.virtualKey);
            injection.push_back(static_cast<std::uint16_t>(records[i].u.keyboard.flags));
        }
    };
    hooks.capsLockQuery = [](void* ctx) { return ++static_cast<Seen*>(ctx)->capsQueries, 1; };
    hooks.eventSink = [](void* ctx, const TrelmixChar* source, const TrelmixChar* message) {
        static_cast<Seen*>(ctx)->events.push_back(std::u16string(source) + u":" + message);
    };
    hooks.context = &seen;
    TRLM_SetPlatformHooks(&hooks);

    platform::RecordingPlatform host;  // not installed: only its emulator and transmit object
    TRLM_SetTransmitObject(&host.transmit);
    {
        Harness h(OneRule("", "SEND_FUNC(5)\nSEND_ALL"), true);
        ASSERT_TRUE(h.assigned);
        h.Run("x");
    }
    TRLM_SetTransmitObject(nullptr);
    TRLM_SetPlatformHooks(nullptr);

    const std::vector<std::vector<std::uint16_t>> expected = {{116, 0, 116, 2}, {20, 0, 20, 2}, {20, 0, 20, 2}};
    EXPECT_EQ(seen.injections, expected);
    EXPECT_EQ(seen.capsQueries, 1);
    ASSERT_EQ(host.output.size(), 1u);
    EXPECT_EQ(host.output[0].unit, u'x');
    ASSERT_EQ(seen.events.size(), 1u);
    EXPECT_EQ(seen.events[0], u"TRELMIX:\r\n\r\nSIMULATED HID KEYBOARD TRELM SCRIPT LOADED SUCCESSFULLY.");
}
#endif

}  // namespace
}  // namespace trelmix
