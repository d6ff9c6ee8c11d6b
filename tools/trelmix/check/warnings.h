// What the compiler silently accepts but an author almost never means. The
// warnings explain the library's decision; they never change it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "actions/program.h"
#include "check/diagnostic_codes.h"
#include "script/compiler.h"
#include "script/keywords.h"

namespace trelmix::cli {

// A mechanical change that surely does what the author meant: the text from
// `from` to `to` (on one line) becomes `text` (ASCII).
struct Fix {
    const char16_t* from = nullptr;
    const char16_t* to = nullptr;
    std::string text;
};

// One message about a place in the script text.
struct Finding {
    const char16_t* at = nullptr;
    Code code = Code::ScriptRejected;
    std::string message{};          // what is wrong, in the author's terms
    std::string hint{};             // how to fix it; may be empty
    const char16_t* end = nullptr;  // just past the text meant; null: the word or quoted text at `at`
    std::vector<Fix> fixes{};       // what `check --fix` changes

    Severity severity() const { return Info(code).severity; }
    bool error() const { return severity() == Severity::Error; }
};

// The script as compiled, for the checks.
struct CompiledText {
    std::u16string_view whole;  // everything read, past a zero byte too; the compiler stops at the first
    bool fromFile = false;      // one unit per file byte (else inline text from the command line)
    bool keyboardMode = false;
    const trelmix::Program& script;
    const CompileReport& report;

    const char16_t* text() const { return whole.data(); }
};

// Warnings and notes in text order, for every line the compiler read; the
// table in check/diagnostic_codes.h lists every kind.
std::vector<Finding> CollectWarnings(const CompiledText& compiled);

// How to fix the line the library rejected, when the tool can tell; else "".
std::string ErrorHint(const CompiledText& compiled);

// The keyword closest to `word` (compared without case) within the distance
// allowed for its length, or null. Exposed for the tests.
const KeywordInfo* NearestKeyword(std::u16string_view word);

// Optimal string alignment distance (insertions, deletions, substitutions and
// swaps of neighbours), without case; limit + 1 when it is more than limit
// (then strings of any length cost no more than the limit's square).
std::size_t EditDistance(std::u16string_view a, std::u16string_view b, std::size_t limit);

}  // namespace trelmix::cli
