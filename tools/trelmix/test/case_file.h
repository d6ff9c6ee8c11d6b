// Test files for `trelmix test`: a script (a path or inline text), host
// options, and cases, each a record and what must come back. The format is
// documented in README ("Test files"); in short:
//
//   # a comment
//   script returns-desk.trelmix          a path, relative to the test file
//   --code-type 3                        options for the records below
//   "RETURNS" -> status 1: ""            a case: record -> status and record
//   --code-type 8 "A;B" -> status 1: ""  options for this record alone
//     typed "A"                          what it typed and pressed, in the
//     tapped Tab                         words of `trelmix run`
//
// `script:` followed by indented lines gives the script inline, and so does
// `script: LINE / LINE / ...` on one line; `script ""` assigns the empty
// string (the id's script is removed). Options that
// are not --code-type or --protocol (--keyboard, --caps-lock, ...) are the
// host's: they take effect at the next script line, which starts a new
// session. Cases run in order against one assignment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/session.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

// What a record must give: status, bytes, length when it differs from the
// bytes (a record too long for the buffer), and the output lines.
struct Expectation {
    std::int32_t status = 0;
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> length;
    std::vector<std::string> output;  // lines, without their indentation
};

// The host of one session: the id and the options of `run`, and whether the
// output is compared in words or as raw records (--raw-output).
struct SessionSpec {
    HostId id{};
    bool keyboard = false;
    HostOptions host;
    bool rawOutput = false;
};

struct CaseFileStep {
    enum class Kind { Script, Case };
    Kind kind = Kind::Case;
    std::size_t line = 0;  // where it starts in the file (from 1)

    // Script
    std::string script;  // the path (relative to the file) or the inline text
    bool inlineScript = false;
    bool expectRejected = false;
    std::size_t session = 0;  // index into CaseFile::sessions

    // Case
    std::vector<std::uint8_t> record;
    HostOptions host;  // its per-record options (code type, protocol)
    Expectation expected;
    std::vector<std::size_t> outputLines;  // where `expected.output` is written (from 1)
};

struct CaseFile {
    std::string path;
    std::vector<std::string> lines;    // the file's lines, for --update
    std::vector<std::string> endings;  // each line's end as read: "\n", "\r\n", or "" (a last line without one)
    std::vector<SessionSpec> sessions;
    std::vector<CaseFileStep> steps;
};

// Reads a test file; nothing (and "FILE:LINE: why" in `error`) when it cannot
// be read or a line is malformed.
std::optional<CaseFile> ReadCaseFile(const std::string& path, std::string& error);

// The same for a test file's text; `path` names it in the messages and is
// where its script paths are relative to.
std::optional<CaseFile> ParseCaseFile(const std::string& path, const std::string& text, std::string& error);

// The case line's expectation part and output lines, as written: `status 1:
// "ABC"` (with `, length N` only when N is not the bytes' length).
std::string FormatExpectation(const Expectation& expectation);

// The output of a result in the words of `run` (DescribeOutput), or as raw
// records: `inject VK SCAN FLAGS, ...`, `type UNIT [ctx C]`, `sleep MS`.
std::vector<std::string> OutputLines(const std::vector<platform::Output>& output, bool raw);

}  // namespace trelmix::cli
