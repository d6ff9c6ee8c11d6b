// What the compiler silently accepts but an author almost never means. The
// warnings explain the library's decision; they never change it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler.h"
#include "script/keywords.h"
#include "script/model.h"

namespace trelmix::cli {

// One message about a place in the script text.
struct Finding {
    const char16_t* at = nullptr;
    bool error = false;
    std::string message{};  // what is wrong, in the author's terms
    std::string hint{};     // how to fix it; may be empty
    const char16_t* end = nullptr;  // just past the text meant; null: the word or quoted text at `at`
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

// Warnings in text order, for every line the compiler read:
// - ignored lines: a keyword in the wrong case or a near miss of one (only
//   when the first word looks like code: it holds an underscore, is followed
//   by '(' or ends the line, or is an upper-case word), a send keyword in an
//   application script, a keyword behind a UTF-8 byte-order mark;
// - keyword lines: a longer word read as the keyword it begins with, free
//   text after a keyword, words before '(' or after the argument list;
// - arguments that do nothing: send keys that press or type nothing, a
//   PAD_SPACES/PAD_ZEROS count the rule's CODE_LENGTH never lets pad;
// - quoted text: backslash escapes, &#x..; malformed or in a keyword that
//   does not undo it, UTF-8 sequences in a file, characters above one byte;
// - a file that holds zero bytes (UTF-16);
// - a text that ends inside a rule; a rule no record can reach or apply to.
std::vector<Finding> CollectWarnings(const CompiledText& compiled);

// How to fix the line the library rejected, when the tool can tell; else "".
std::string ErrorHint(const CompiledText& compiled);

// The keyword closest to `word` (compared without case) within the distance
// allowed for its length, or null. Exposed for the tests.
const KeywordInfo* NearestKeyword(std::u16string_view word);

// Optimal string alignment distance (insertions, deletions, substitutions and
// swaps of neighbours), without case.
std::size_t EditDistance(std::u16string_view a, std::u16string_view b);

}  // namespace trelmix::cli
