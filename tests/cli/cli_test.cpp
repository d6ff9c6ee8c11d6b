#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/diagnose.h"
#include "check/warnings.h"
#include "command_line.h"
#include "common/host_id.h"
#include "common/key_names.h"
#include "common/record_escapes.h"
#include "common/text_encoding.h"
#include "run/explain.h"
#include "run/scans.h"
#include "test/test_runner.h"

namespace trelmix::cli {
namespace {

std::string Str(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

TEST(RecordEscapes, DecodesHexAndBackslashAndRejectsEverythingElse) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"A\\x1DB", "A\035B"}, {"\\x00\\xff\\xFf", std::string("\0\xFF\xFF", 3)},
        {"\\\\x41", "\\x41"},  // the escaped backslash is not looked at again
        {"\\x4", {}},          {"\\x4G", {}},
        {"\\X41", {}},         {"\\n", {}},
        {"end\\", {}},
    };
    for (const auto& [argument, bytes] : cases) {
        std::string error;
        const auto got = DecodeRecordArgument(argument, error);
        EXPECT_EQ(got ? std::optional(Str(*got)) : std::nullopt, bytes) << argument;
        EXPECT_EQ(error.empty(), bytes.has_value()) << argument;
    }
}

// Another engine's answers: one that does not report (the emulated DLL) leaves
// no trace to tell unless the status says it all, and keys are told as they
// came: a scan code the US layout lacks by its number, an unpaired up as such.
TEST(OtherEngines, NoTraceUnlessTheStatusSpeaksAndKeysAsTheyCame) {
    std::unique_ptr<ScriptMap> map;
    const std::u16string script;
    TraceRecorder recorder(map, script);
    EXPECT_TRUE(recorder.Take(TRLM_STATUS_APPLIED, 3).empty());
    EXPECT_EQ(recorder.Take(TRLM_STATUS_NO_SCRIPT, 0).size(), 1u);
    EXPECT_TRUE(recorder.Take(TRLM_STATUS_APPLIED, 3).empty());  // nor at the next record
    EXPECT_EQ(DescribeInjection({{0, 127, 0}, {0, 127, 2}}), "tapped scan code 127");
    EXPECT_EQ(DescribeInjection({{65, 0, 0}, {66, 0, 2}}), "injected A down, B up");
}

TEST(Scans, RecordsTakeTheOptionsAboveThemAndWholeRunOptionsComeFirst) {
    const std::string path = testing::TempDir() + "trelmix_scans_test" + std::to_string(getpid()) + ".scans";
    const auto read = [&](const std::string& text, RunOptions& o, std::vector<RunRecord>& records) {
        std::ofstream(path, std::ios::binary) << text;
        records.clear();
        std::ostringstream err;
        if (!ReadScans(path, o, records, err)) return err.str().substr(err.str().find(path) + path.size());
        std::string ok = "ok";  // and each record with its code type and protocol
        for (const RunRecord& x : records)
            ok += " [" + Str(x.bytes) + "]" + std::to_string(x.codeType) + "/" + std::to_string(x.protocol);
        return ok;
    };
    RunOptions o;
    std::vector<RunRecord> r;
    EXPECT_EQ(read("# note\r\n--keyboard\r\n--caps-lock\nA\\x1D\r\n\n--code-type 15\n--protocol 2\n B \n", o, r),
              "ok [A\x1D]0/0 [ B ]15/2");
    EXPECT_EQ(std::memcmp(&o.id, &KeyboardClientId, sizeof(HostId)), 0);
    EXPECT_TRUE(o.host.capsLock);
    o.id.data1 = 1;  // the command line's --id, not the keyboard's
    EXPECT_EQ(read("--keyboard\n", o, r), ":1: --keyboard conflicts with the command line's --id\n");
    RunOptions p;
    for (std::string option : {"--delay-ms 5", "--text-encoding 0", "--typing-context 1", "--key-code-mode 1",
                               "--no-transmit", "--caps-lock", "--real-time", "--keyboard"}) {
        EXPECT_EQ(read("A\n" + option + "\n", p, r), ":2: " + option.substr(0, option.find(' ')) +
                                                         " holds for the whole run: put it before the first record\n");
    }
    EXPECT_EQ(read("--code-type\n", p, r), ":1: --code-type: '' is not a number from 0 to 4294967295\n");
    EXPECT_EQ(read("A\n--keybord\n", p, r), ":2: unknown option --keybord\n");
    EXPECT_EQ(read("--keyboard 1\n", p, r), ":1: --keyboard takes no value\n");
    EXPECT_EQ(read("ok\nA\\n\n", p, r).substr(0, 20), ":2: bad escape at ch");
    // A byte-order mark, a line of blanks and "" (the empty record).
    EXPECT_EQ(read("\xEF\xBB\xBF\x41\n \t\n\"\"\n", p, r), "ok [A]0/0 []0/0");
    std::ostringstream err;
    EXPECT_FALSE(ReadScans(testing::TempDir(), p, r, err));
}

TEST(NearMisses, SuggestOnlyCloseKeywords) {
    // Each word's suggestion, "-" for none: nine letters allow two edits, not three.
    std::string got;
    for (const char16_t* word : {u"pad_space", u"BEGIN_RUEL", u"BEGN_CRITERA", u"APEND", u"CODE_LEN", u"NOTE", u"END",
                                 u"PAD_SPACES", u"PAD_ZERO_", u"CDE_LST", u"BEGIXXN_RULF"}) {
        const KeywordInfo* k = NearestKeyword(word);
        got += std::string(k ? k->name : "-") + " ";
    }
    EXPECT_EQ(got, "PAD_SPACES BEGIN_RULE BEGIN_CRITERIA APPEND - - - - PAD_ZEROS CODE_LIST - ");
    EXPECT_EQ(EditDistance(u"AB", u"BA", 2), 1u);
    EXPECT_EQ(EditDistance(u"", u"ABC", 1), 2u);  // past the limit: limit + 1
}

// A test file in a temporary place, removed at the end of the test.
struct TempTests {
    inline static int made = 0;
    std::string path =
        ::testing::TempDir() + "trelmix_cli_test" + std::to_string(getpid()) + "_" + std::to_string(++made) + ".tests";
    explicit TempTests(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    ~TempTests() { std::remove(path.c_str()); }
    std::string Read() const {
        std::ostringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }
};

TEST(TestFiles, MalformedLinesAreNamedByLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"A\" -> status 1: \"A\"\n", ":1: a case before the first script line"},
        {"script: BEGIN_RULE / END_RULE\n\"A\" -> stat 1: \"A\"\n", ":2: expected '-> status N: \"RECORD\"'"},
        {"script: X\n\"A\\x4\" -> status 1: \"A\"\n", ":2: record: bad escape at character 2"},
        {"script: X\n\"A -> status 1: A\n", ":2: the record's closing quote is missing"},
        {"script: X\n\"A\" -> status 1: \"\\x4\"\n", ":2: record: bad escape at character 1"},
        {"script: X\n--keyboard\n\"A\" -> status 1: \"A\"\n", ":3: host options take effect at a script line"},
        {"script: X\n--caps-lock \"A\" -> status 1: \"A\"\n", ":2: only --code-type and --protocol"},
        {"script: X\n--colour\n", ":2: unknown option '--colour'"},
        {"script: X\n--code-type\n", ":2: --code-type takes a number"},
        {"script: X\n--protocol x\n", ":2: --protocol: 'x' is not a number"},
        {"script: X\n--id {0}\n", ":2: --id: '{0}' is not a host id"},
        {"script: X\n--id\n", ":2: --id takes a host id"},
        {"script: X\n\"A\" -> status 4294967297: \"A\"\n", ":2: the status is not a number from -2147483648"},
        {"script: X\n\"A\" -> status 0 (a note: \"A\"\n", ":2: the note after the status is not closed"},
        {"script: X\n\"A\" status 1: \"A\"\n", ":2: expected '-> status N: \"RECORD\"' after the record"},
        {"script: X\n\"A\" x -> status 1: \"A\"\n", ":2: expected '-> status N: \"RECORD\"' after the record"},
        {"script:\nX\n", ":1: 'script:' needs the script on the indented lines after it"},
        {"script\n", ":1: expected 'script PATH' or 'script:'"},
        {"script: X\nX\n", ":2: expected a case, options or a script line"},
        {"# nothing\n", ": no script line"},
    };
    for (const auto& [text, wanted] : cases) {
        const TempTests file(text);
        std::string error;
        EXPECT_FALSE(ReadCaseFile(file.path, error)) << text;
        EXPECT_NE(error.find(wanted), std::string::npos) << error;
    }
    std::string error;  // the least status is one
    EXPECT_TRUE(ReadCaseFile(TempTests("script: X\n\"A\" -> status -2147483648: \"A\"\n").path, error)) << error;
}

TEST(TestFiles, UpdateRewritesOnlyFailingCasesAndKeepsEveryOtherByte) {
    const std::string head =
        "# kept\r\n--keyboard\r\n"
        "script: BEGIN_RULE / BEGIN_ACTION / APPEND('!') / SEND_ALL / END_ACTION / END_RULE\r\n";
    const TempTests file(head +
                         "--code-type 3 \"A\" -> status 0: \"wrong\"\r\n    typed \"wrong\"\r\n  # a note\r\n"
                         "   \r\n  tapped Enter\r\n\"\\x42\" -> status 1: \"B\\x21\"\r\n  typed \"B!\"\r\n"
                         "  # after\r\n  \"C\" -> status 1: \"C\"\r\nscript: END_RULE\r\n"
                         "script: BEGIN_RULE / END_RULE  -> rejected\r\n");
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(TestCommand({{file.path}, true, std::nullopt, "", true, {}}, {in, out, err}), 0);
    const std::string updated = head +
                                "--code-type 3 \"A\" -> status 1: \"A!\"\r\n    typed \"A!\"\r\n  # a note\r\n"
                                "   \r\n\"\\x42\" -> status 1: \"B\\x21\"\r\n  typed \"B!\"\r\n  # after\r\n"
                                "  \"C\" -> status 1: \"C!\"\r\n  typed \"C!\"\r\nscript: END_RULE -> rejected\r\n"
                                "script: BEGIN_RULE / END_RULE\r\n";
    EXPECT_EQ(file.Read(), updated);
    for (const double least : {0.0, 100.0})  // the least coverage asked for, both ends allowed
        EXPECT_EQ(TestCommand({{file.path}, false, least, "", true, {}}, {in, out, err}), 0) << out.str();
    const TempTests last(head + "\"A\" -> status 1: \"A\"");  // a failing last case without a line break
    EXPECT_EQ(TestCommand({{last.path}, true, std::nullopt, "", true, {}}, {in, out, err}), 0);
    EXPECT_EQ(last.Read(), head + "\"A\" -> status 1: \"A!\"\r\n  typed \"A!\"\r\n");

    // A file that cannot be written is left as it was, and the run fails.
    const TempTests locked(head + "\"A\" -> status 0: \"\"\n");
    std::filesystem::permissions(locked.path, std::filesystem::perms::owner_read);
    EXPECT_EQ(TestCommand({{locked.path}, true, std::nullopt, "", true, {}}, {in, out, err}), 1);
    EXPECT_EQ(locked.Read(), head + "\"A\" -> status 0: \"\"\n");
    EXPECT_NE(out.str().find("not updated: the file is read-only"), std::string::npos) << out.str();
    EXPECT_EQ(Diff({"P", "T", "E", "T"}, {"Q", "T", "B", "T"}),  // a case's diff pairs each T with its own
              (std::vector<std::string>{"- P", "+ Q", "  T", "- E", "+ B", "  T"}));
}

TEST(TestFiles, AnEngineThatDoesNotAnswerOrAnswersJunkFailsTheCase) {
    const TempTests file("script: BEGIN_RULE / END_RULE\n\"A\" -> status 1: \"A\"\n");
    std::istringstream in;
    std::ostringstream out, err;
    TestOptions o{{file.path}, false, std::nullopt, "sleep 30 #", false, {}};
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);  // waits the default time
    EXPECT_NE(out.str().find(":1: the engine gave no answer within 10 s"), std::string::npos) << out.str();
    o.caseTimeout = 0.2;  // and an engine that misses the time is stopped then, not left to end on its own
    o.engine = "cat >/dev/null; touch '" + file.path + ".ended' #";
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);
    EXPECT_NE(out.str().find(":1: the engine gave no answer within 0.2 s"), std::string::npos) << out.str();
    EXPECT_FALSE(std::filesystem::exists(file.path + ".ended"));
    o.engine = "exec <&-; echo '{}' #";  // one that stops reading before it answers
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);
    EXPECT_NE(out.str().find(":1: the engine stopped reading"), std::string::npos) << out.str();
    // Junk for the script, and the run goes on. The engine reads on, so no
    // request meets a closed pipe however soon the answers come.
    o.engine = R"(printf '%s\n' '{"assigned": true}' junk; cat >/dev/null #)";
    o.caseTimeout = 60;  // (a loaded machine may take more than 0.2 s to start it)
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);
    EXPECT_NE(out.str().find(":1: the engine's answer is not a JSON object: junk"), std::string::npos) << out.str();
    o.engine = R"(printf '%s\n' '{"error": "no"}'; cat >/dev/null #)";  // a refusal is told as it stands
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);
    EXPECT_NE(out.str().find(R"(:1: the engine answered {"error": "no"})"), std::string::npos) << out.str();
    // An object for the output list is junk (so is one for a trace); an engine that outlives its input is killed.
    o.engine = R"(printf '%s\n' '{"assigned": true}' '{"assigned": true}' \
        '{"status": 1, "length": 1, "hex": "41", "output": {"k": {"type": 65}}}'; sleep 100 #)";
    o.caseTimeout = 3;
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);
    EXPECT_NE(out.str().find(":2: not a record's answer: "), std::string::npos) << out.str();
    EXPECT_FALSE(ParseTrace(nlohmann::json::parse(R"({"k": {"text": "x"}})")));
    // A status or a length is taken to the edges of its 32 bits and refused past them.
    const TempTests edges(
        "script: x\n\"A\" -> status -2147483648, length 4294967295: \"A\"\n"
        "\"A\" -> status 2147483647: \"A\"\n\"A\" -> status 1: \"A\"\n");
    o.files = {edges.path};
    o.engine = R"(printf '%s\n' '{"assigned": true}' '{"assigned": true}' \
        '{"status": -2147483648, "length": 4294967295, "hex": "41", "output": []}' \
        '{"status": 2147483647, "length": 1, "hex": "41", "output": []}' \
        '{"status": 2147483648, "length": 1, "hex": "41", "output": []}'; cat >/dev/null #)";
    out.str("");
    EXPECT_EQ(TestCommand(o, {in, out, err}), 1);
    EXPECT_EQ(out.str().find(":2:") + out.str().find(":3:"), 2 * std::string::npos) << out.str();
    EXPECT_NE(out.str().find(":4: not a record's answer: "), std::string::npos) << out.str();
    // An engine that answers once too often: the next session does not read on from it.
    const TempTests two("script: x\n\"A\" -> status 1: \"A\"\n--keyboard\nscript: x\n\"A\" -> status 1: \"A\"\n");
    o.files = {two.path};
    o.engine =
        R"(printf '%s\n' '{}' '{"assigned": true}' '{"status": 1, "length": 1, "hex": "41", "output": []}' '{}'; cat >/dev/null #)";
    EXPECT_EQ(TestCommand(o, {in, out, err}), 0) << out.str();
    SessionSpec given;  // an engine is told a session's host id when it is not the default
    given.id = *ParseHostId("01020304-0506-0708-090a-0b0c0d0e0f10");
    given.host.delayMs = 7;
    EXPECT_EQ(SessionArguments(given),
              (std::vector<std::string>{"--id", "{01020304-0506-0708-090A-0B0C0D0E0F10}", "--delay-ms", "7"}));
}

TEST(ScriptArgument, ANameThatLooksLikeAMissingFileIsAUsageError) {
    std::ostringstream err;
    for (const char* missing : {"nosuchfile.trelmix", "notes.TXT", "nosuchfile", "my scripts/desk.trelmix"})
        EXPECT_TRUE(ReportMissingFile(missing, err)) << missing;
    for (const char* inlineText : {"", ".", "BEGIN_RULE", "-- not a keyword", "a\nb.txt", "END_RULE.txt\n"})
        EXPECT_FALSE(ReportMissingFile(inlineText, err)) << inlineText;
    // A file name that is not UTF-8 keeps its UTF-8 and carries each other byte as U+DC80..U+DCFF;
    // a name no file has stays as its bytes.
    const std::string name = ::testing::TempDir() + std::to_string(getpid()) + "\xE9\xC3\xA9\xFF";
    const std::u16string start(name.begin(), name.end() - 4);
    EXPECT_EQ(FromCommandLine(name), start + u"\xE9\xC3\xA9\xFF");
    std::ofstream(name) << "";
    EXPECT_EQ(FromCommandLine(name), start + u"\xDCE9\xE9\xDCFF");
    std::remove(name.c_str());
}

// Findings in inline text. An argument list with no ')' ends with its line,
// whatever follows; the caret stands after its last character, not after
// trailing blanks.
TEST(Diagnostics, InlineTextFindings) {
    // The status and what check says of one inline script.
    const auto says = [](const std::string& script, int status, const std::string& text) {
        CheckOptions check;
        check.text = true;
        check.scripts = {script};
        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(CheckCommand(check, {in, out, err}), status) << script;
        EXPECT_NE(out.str().find(text), std::string::npos) << out.str() << err.str();
    };
    says("BEGIN_RULE\nBEGIN_ACTION\nAPPEND('a' \t\nAPPEND(',')\nEND_ACTION\nEND_RULE", 1,
         ":3:11: error: APPEND arguments: the ')' that closes the argument list is missing");
    says("BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LENGTH(0x)", 1, "may hold only digits\n");  // no decimal for a bare 0x
    says("BEGIN_RULE\nBEGIN_ACTION\nBEGIN_RULE", 1,
         ":3:1: error: BEGIN_RULE inside an action block (END_ACTION is missing); rules do not nest");
    // Words after a keyword in text of several lines: a comment, not one line.
    says("BEGIN_RULE\nBEGIN_ACTION\nINSERT the prefix", 1,
         ":3:18: error: INSERT arguments: the argument list is missing: no '(' on the line; the line starts with "
         "INSERT, so it is read as that keyword; if it is a comment");
    // What a one-byte REPLACE_ALL from the start leaves of the text every record begins and ends with.
    const std::string every =
        "BEGIN_RULE\nBEGIN_ACTION\nPREPEND('AxB')\nAPPEND('CxD')\nSKIP_START\nREPLACE_ALL('x', '')\n"
        "END_ACTION\nEND_RULE\nBEGIN_RULE\nBEGIN_CRITERIA\nWILDCARD_MATCH(";
    const std::string end = ")\nEND_CRITERIA\nBEGIN_ACTION\nEND_ACTION\nEND_RULE";
    says(every + "'B*'" + end, 0, "every record begins with 'A';");
    says(every + "'*C'" + end, 0, "every record ends with 'D';");
}

// A command line that cannot go on: memory running out is a message and
// status 1, not an abort; trelmix-x86, which runs the shipped DLL, offers
// run and test but not the commands of the library linked in.
TEST(CommandLine, MemoryRunningOutAndCommandsNotOffered) {
    const auto says = [](const Program& program, std::vector<std::string> words) {
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        testing::internal::CaptureStderr();
        const int status = CommandLine(static_cast<int>(argv.size()), argv.data(), program);
        return std::to_string(status) + " " + testing::internal::GetCapturedStderr();
    };
    Program program;
    program.engine = [](const HostId&, const HostOptions&) -> std::unique_ptr<Engine> { throw std::bad_alloc(); };
    EXPECT_EQ(says(program, {"trelmix", "run", "BEGIN_RULE\nEND_RULE", "A"}), "1 trelmix: out of memory\n");
    program.check = false;
    for (const char* command : {"check", "keywords", "lsp", "learn"})
        EXPECT_EQ(says(program, {"trelmix", command}).rfind("2 trelmix: A subcommand is required\n", 0), 0u) << command;
}

}  // namespace
}  // namespace trelmix::cli
