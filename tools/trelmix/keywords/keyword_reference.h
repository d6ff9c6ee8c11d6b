// `trelmix keywords [--format jsonl] [KEYWORD]`: the language reference from the keyword
// table, for an author who has only the command.
#pragma once

#include <string>

#include "run/run.h"

namespace trelmix::cli {

// Every keyword with its synopsis and summary, or (for a name, in any case)
// that keyword's entry. An unknown name is a usage error. `jsonl`: the table
// itself, one JSON object per row, for programs.
int KeywordsCommand(const std::string& name, Streams io, bool jsonl = false);

}  // namespace trelmix::cli
