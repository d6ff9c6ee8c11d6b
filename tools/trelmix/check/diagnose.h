// The script as the library sees it, compiled once more with a report, so
// that `check` (and `run`, when assigning fails) can say where and why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "check/warnings.h"

namespace trelmix::cli {

struct ScriptSource {
    enum class Kind { Inline, File, Unreadable, Empty };
    Kind kind = Kind::Inline;
    std::string name;            // the path as given, or "<inline>"
    std::vector<char16_t> text;  // NUL-terminated: what the compiler reads
};

// Classifies the string exactly as TRLM_AssignScript does: the empty string,
// a path of an existing file or directory (read byte for byte), or inline
// text with its five entities undone. `argument` is the string as the user
// wrote it, for the name of a path.
ScriptSource LoadScriptSource(const std::u16string& string, const std::string& argument);

struct Diagnosis {
    ScriptSource source;
    bool accepted = false;
    std::size_t rules = 0;
    std::vector<Finding> findings;              // warnings in text order, then the error
    std::vector<const char16_t*> ignoredSends;  // send keyword lines an application script ignores
};

// Compiles the script with a report, in keyboard mode or not. The recording
// platform must be installed (the compilation writes its load event).
Diagnosis Diagnose(const std::u16string& string, const std::string& argument, bool keyboardMode);
// The same for a source already read (an editor's buffer as file bytes).
Diagnosis Diagnose(ScriptSource source, bool keyboardMode);

// Where a finding points, as an editor counts: lines and columns from 1;
// endColumn is the column just past the text meant (at least column + 1
// unless the finding is at the end of its line).
struct Place {
    std::uint32_t line;
    std::uint32_t column;
    std::uint32_t endColumn;
};
// A locator of source.text may be given to find many places in one pass.
Place PlaceOf(const ScriptSource& source, const Finding& finding, Locator* locate = nullptr);

// NAME:LINE:COLUMN: error|warning|note: MESSAGE[; HINT], then the line and a
// caret under the column. FormatFindings writes findings given in text order
// in one pass over the text.
std::string FormatFinding(const ScriptSource& source, const Finding& finding, Locator* locate = nullptr);
void FormatFindings(const ScriptSource& source, const std::vector<Finding>& findings, std::ostream& out);

// {"file": ..., "line": ..., "column": ..., "end_column": ..., "severity": ...,
// "code": ..., "message": ..., "hint": ..., "fix": [{"line", "column",
// "end_column", "text"}, ...]} ("hint" and "fix" only when there are some).
std::string FindingJson(const ScriptSource& source, const Finding& finding, Locator* locate = nullptr);

// {"file": ..., "ok": ..., "rules": ...}: the end of one script's diagnostics
// ("rules" only when the script was accepted).
std::string SummaryJson(const ScriptSource& source, bool ok, std::size_t rules);

// Why a source could not be compiled at all (empty string, unreadable path),
// or empty; SourceProblem puts "NAME: error: " before it.
std::string SourceProblemReason(const ScriptSource& source);
std::string SourceProblem(const ScriptSource& source);
Code SourceProblemCode(const ScriptSource& source);

// True (and the message on `err`) when a SCRIPT argument names nothing on
// disk but looks like a file name: one line that ends in .trelmix or .txt,
// or that holds no keyword and no blank.
bool ReportMissingFile(const std::string& argument, std::ostream& err);
bool LooksLikeMissingFile(const std::string& argument);
std::string MissingFileReason();  // "no such file (give --text ...)"

}  // namespace trelmix::cli
