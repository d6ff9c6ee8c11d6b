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
    std::string message;
};

// Warnings about a compiled (or partly compiled) script, in text order:
// - an ignored line whose first word is a keyword in the wrong case or a near
//   miss of one (only when the word looks like code: it holds an underscore,
//   is followed by '(' or ends the line, or is an upper-case word), so that a
//   comment such as "Insert the prefix" passes unremarked;
// - a send keyword in an application script;
// - a keyword behind a UTF-8 byte-order mark on the first line;
// - a text that ends inside a rule (the rule is dropped);
// - a rule that no record can ever reach, or that can never apply.
// `text` is the text that was compiled; the report points into it.
std::vector<Finding> CollectWarnings(const char16_t* text, const Script& script, const CompileReport& report,
                                     bool keyboardMode);

// The keyword closest to `word` (compared without case) within the distance
// allowed for its length, or null. Exposed for the tests.
const KeywordInfo* NearestKeyword(std::u16string_view word);

// Optimal string alignment distance (insertions, deletions, substitutions and
// swaps of neighbours), without case.
std::size_t EditDistance(std::u16string_view a, std::u16string_view b);

}  // namespace trelmix::cli
