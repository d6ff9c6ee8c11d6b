// The cases `trelmix learn` learns from: a test file of `trelmix test`
// without its script line, read as a learning job. The command and the
// playground read them alike.
#pragma once

#include <optional>
#include <string>

#include "learn/learner.h"

namespace trelmix::learn {

// The file's text with `line` where its script line goes: after the host
// options (--keyboard, ...) and before the first case.
std::string WithScriptLine(const std::string& text, const std::string& line);

// A line number of that text (from 1) as the number of the line in `text`.
std::size_t OwnLine(const std::string& text, std::size_t line);

// The job of a test file's text; nothing, and "NAME:LINE: why" or
// "NAME: why" in `error`, when it cannot be read or learned from (a script
// line of its own, raw output, host options between cases, no cases).
std::optional<Job> ReadJob(const std::string& name, const std::string& text, std::string& error);

}  // namespace trelmix::learn
