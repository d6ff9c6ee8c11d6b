// The shared generator's scripts (tests/reference) through `check`, as text
// and as JSON lines, their records through `run --explain`, in words and as
// JSON, and the scripts through the editor's answers (diagnostics, fixes,
// hovers, completions, symbols, folds, formatting): every diagnostic's place,
// range, hint and fix, every trace and every answer pinned by a hash (the
// everyday scripts: conformance/check and explain, editors/lsp_session).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include "check/check.h"
#include "common/host_id.h"
#include "common/record_escapes.h"
#include "generator.h"
#include "lsp/language.h"
#include "pinned.h"
#include "run/run.h"
#include "script/keywords.h"
#include "test/test_runner.h"

namespace trelmix::cli {
namespace {

// What `test` says of a file of the script's records, each expected to come
// back unchanged (most do not: failures, traces, coverage), and the file that
// `test --update` leaves.
std::string TestAnswers(const reference::GeneratedCase& g, const std::vector<std::string>& records) {
    std::string file = g.keyboard ? "--keyboard\nscript:\n" : "script:\n";
    std::istringstream lines(g.script);  // whose last line may have no line break
    for (std::string line; std::getline(lines, line);) file += "  " + line + "\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        file +=
            "--code-type " + std::to_string(i % 3) + "\n\"" + records[i] + "\" -> status 1: \"" + records[i] + "\"\n";
    }
    // Of this process alone: builds in other folders may run this test at the same time.
    const std::string path = testing::TempDir() + "trelmix_generated_" + std::to_string(getpid()) + ".tests";
    std::string told;
    for (const bool update : {false, true}) {
        std::ofstream(path, std::ios::binary) << file;
        std::istringstream in;
        std::ostringstream out, err;
        TestOptions test;
        test.files = {path};
        test.update = update;
        test.coverageMin = 50;
        const int tested = TestCommand(test, {in, out, err});
        told += std::to_string(tested) + "\n" + out.str() + err.str();
    }
    told += std::string(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
    std::remove(path.c_str());
    for (std::size_t at; (at = told.find(path)) != std::string::npos;) told.replace(at, path.size(), "F");
    return told;
}

// What an editor is told about the script, asked at the keyword and the
// arguments of each line.
std::string EditorAnswers(const std::string& script, bool keyboard) {
    const nlohmann::json diagnostics = lsp::Diagnostics(script, keyboard);
    nlohmann::json told = {diagnostics,          lsp::CodeActions("file:///s", diagnostics),
                           lsp::Symbols(script), lsp::Folds(script),
                           lsp::Format(script),  lsp::FormattingEdits(script)};
    std::uint32_t line = 0;
    for (std::size_t at = 0; at <= script.size(); at = script.find('\n', at) + 1, ++line) {
        const std::string text = script.substr(at, script.find('\n', at) - at);
        // The keyword, then each argument: just inside the list, after each comma.
        std::vector<std::size_t> places = {0, 4};
        for (std::size_t c = text.find_first_of("(,"); c != std::string::npos; c = text.find_first_of(",)", c + 1)) {
            places.push_back(c + 1 + (text[c] == ','));
        }
        for (const std::size_t character : places) {
            const lsp::Position p{line, static_cast<std::uint32_t>(character)};
            std::string labels;  // of the completions, whose documentation is the keyword table's
            if (character == 4) {
                for (const nlohmann::json& item : lsp::Completion(script, keyboard, p))
                    labels += item.value("label", "") + " ";
            }
            told.push_back({lsp::Hover(script, keyboard, p), labels, lsp::Definition(script, "file:///s", p)});
        }
        if (script.find('\n', at) == std::string::npos) break;
    }
    return told.dump() + "\n";
}

TEST(Generated, ScriptsAreCheckedExplainedAndAnsweredAsPinned) {
    reference::Choices choices(37);
    std::string told;
    for (int round = 0; round < 600; ++round) {
        const reference::GeneratedCase g = reference::GenerateCase(choices);
        const HostId id = g.keyboard ? KeyboardClientId : kDefaultApplicationId;
        if (round % 4 == 0) told += EditorAnswers(g.script, g.keyboard);
        std::vector<std::string> records;
        for (const std::string& r : g.records) {
            records.push_back(EscapeBytes(reinterpret_cast<const std::uint8_t*>(r.data()), r.size()));
        }
        if (round % 3 == 0) told += TestAnswers(g, records);
        for (const bool jsonl : {false, true}) {
            std::istringstream in;
            std::ostringstream out, err;
            CheckOptions check;
            check.id = id;
            check.scripts = {g.script};
            check.jsonl = jsonl;
            check.text = check.idGiven = true;
            const int checked = CheckCommand(check, {in, out, err});
            RunOptions run;
            run.id = id;
            run.jsonl = jsonl;
            run.explain = run.text = true;
            run.script = g.script;
            run.records = records;
            const int ran = RunCommand(run, {in, out, err});  // apart: the streams are read after both
            told += std::to_string(checked) + " " + std::to_string(ran) + "\n" + out.str() + err.str();
        }
    }
    reference::ExpectPinned(told, "trelmix_generated_scripts.txt", 3021290523688295945ull);
}

// Every keyword that takes arguments, given each of a list of boundary
// arguments (numbers at the edges of what each keyword takes, of a byte, of a
// pause in 32 bits; texts with escapes, wide characters, key names; lists of
// the wrong length or kind), alone in a rule of an application and of a
// keyboard script, given as text and as a file: what `check` says of each,
// as JSON lines, pinned.
TEST(Generated, BoundaryArgumentsOfEveryKeywordAreCheckedAsPinned) {
    // The arguments, split at '|'.
    const std::string arguments =
        "0|1|9|10|119|120|255|256|300|4294967|4294968|2147483648|4294967295|4294967296|1 2|0x41|-1||''|'a'|'abc'|"
        "'\\x41'|'a\\\\b'|'\\t'|'&#x1D;'|'&#X1D;'|'&#00029;'|'\xE2\x98\xBA'|'\xC3\xA9'|'x\xF0\x9F\x98\x80'|"
        "'\xE0\xA0\x80'|'\xF0\x90\x80\x80'|'\xE9'|'a\\x41'|6 "
        "5|'F4'|'F012'|'RET'|'ENTER'|'tab'|'LEFF'|'UP'|'ab'|'12'|'!'|"
        "'/'|'a', 'b'|'a', 2|'F4', 'x'|'a', 'b',  'c'|9, 3|1 ,2|1, |'x' |\"x\"|'a\\'b'|0xFFFFFFFF|"
        "3) # to width (10|'a')  # note";
    const std::string path = testing::TempDir() + "trelmix_boundary_" + std::to_string(getpid()) + ".trelmix";
    std::string told;
    for (const KeywordInfo& k : Keywords()) {
        if (k.Opens() || k.Closes()) continue;
        for (std::size_t at = 0, end = 0; at <= arguments.size(); at = end + 1) {
            end = std::min(arguments.find('|', at), arguments.size());
            const std::string line = std::string(k.name) + "(" + arguments.substr(at, end - at) + ")";
            const std::string script =
                k.block == Block::Criteria ? "BEGIN_RULE\nBEGIN_CRITERIA\n" + line + "\nEND_CRITERIA\nEND_RULE"
                : k.block == Block::Action ? "BEGIN_RULE\nBEGIN_ACTION\n" + line + "\nEND_ACTION\nEND_RULE"
                                           : "BEGIN_RULE\n" + line + "\nBEGIN_ACTION\nEND_ACTION\nEND_RULE";
            std::ofstream(path, std::ios::binary) << script;
            for (const int how : {0, 1, 2, 3}) {  // application or keyboard; inline text (UTF-16) or a file (bytes)
                std::istringstream in;
                std::ostringstream out, err;
                CheckOptions check;
                check.id = how % 2 ? KeyboardClientId : kDefaultApplicationId;
                check.scripts = {how < 2 ? script : path};
                check.jsonl = check.idGiven = true;
                check.text = how < 2;
                const int checked = CheckCommand(check, {in, out, err});
                told += std::to_string(checked) + " " + line + "\n" + out.str() + err.str();
            }
        }
    }
    std::remove(path.c_str());
    for (std::size_t at; (at = told.find(path)) != std::string::npos;) told.replace(at, path.size(), "F");
    reference::ExpectPinned(told, "trelmix_keyword_boundaries.txt", 8322026547349305745ull);
}

// Formatting changes only the spaces and tabs that begin a line, which the
// compiler skips, and leaves no line of blanks: generated scripts laid out
// anew, each line indented any way and ended by any line break, with
// comments, lines of blanks and vertical tabs now and then.
TEST(Generated, FormattingChangesOnlyTheBlanksThatBeginALine) {
    const auto unindented = [](const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool lineStart = i == 0 || text[i - 1] == '\r' || text[i - 1] == '\n';
            if (lineStart) i = std::min(text.find_first_not_of(" \t", i), text.size());
            if (i < text.size()) out += text[i];
        }
        return out;
    };
    const std::regex lineOfBlanks("(^|[\r\n])[ \t]+([\r\n]|$)");
    reference::Choices c(30);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        std::istringstream lines(reference::GenerateCase(c).script);
        for (std::string line; std::getline(lines, line);) {
            if (c.OneIn(8)) line = c.OneIn(2) ? "  # BEGIN_RULE" : c.OneIn(2) ? "\t" : "\v" + line;
            text += std::string(c.Below(9), c.OneIn(2) ? ' ' : '\t') + line + (c.OneIn(3) ? "  " : "") +
                    (c.OneIn(3)   ? "\r\n"
                     : c.OneIn(4) ? "\r"
                                  : "\n");
        }
        const std::string formatted = lsp::Format(text);
        ASSERT_EQ(unindented(formatted), unindented(text)) << text;
        ASSERT_FALSE(std::regex_search(formatted, lineOfBlanks)) << formatted;
    }
}

}  // namespace
}  // namespace trelmix::cli
