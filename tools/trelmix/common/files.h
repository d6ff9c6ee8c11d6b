// Files the commands rewrite: `check --fix` and `test --update`.
#pragma once

#include <string>
#include <string_view>

namespace trelmix::cli {

// Replaces the file at `path` with `bytes` in one step: a temporary file
// beside it, with its permissions, renamed over it, so that a write that
// fails leaves the file as it was. Empty when replaced, else why not.
std::string ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace trelmix::cli
