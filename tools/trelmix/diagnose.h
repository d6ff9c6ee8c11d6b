// The script as the library sees it, compiled once more with a report, so
// that `check` (and `run`, when assigning fails) can say where and why.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "warnings.h"

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
    std::vector<Finding> findings;  // warnings in text order, then the error
};

// Compiles the script with a report, in keyboard mode or not. The recording
// platform must be installed (the compilation writes its load event).
Diagnosis Diagnose(const std::u16string& string, const std::string& argument, bool keyboardMode);

// NAME:LINE:COLUMN: error|warning: MESSAGE, then the line and a caret under
// the column. Lines and columns count from 1 as an editor shows them.
std::string FormatFinding(const ScriptSource& source, const Finding& finding);

// The one-line message for a source that could not be compiled at all
// (empty string, unreadable path), or empty.
std::string SourceProblem(const ScriptSource& source);

}  // namespace trelmix::cli
