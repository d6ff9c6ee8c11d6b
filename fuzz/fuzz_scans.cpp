// Fuzz target: a `.scans` file through `trelmix run --scans`, its records
// told in words or as JSON lines, with or without their traces.
// Input: [flags] [file]. Flags bits 0-1: which script (below); bit 2: JSON
// lines; bit 3: --explain.
#include <cstdint>
#include <string>

#include "command_input.h"

namespace {

const char* const kScripts[] = {
    "BEGIN_RULE / BEGIN_CRITERIA / CODE_LIST(3) / END_CRITERIA / BEGIN_ACTION / REPLACE_ALL('-', '') / END_ACTION / "
    "END_RULE",
    "BEGIN_RULE / BEGIN_ACTION / MOVE_AFTER('a') / INSERT('|') / SEND_ALL / SEND_EXTN('RET') / END_ACTION / END_RULE",
    ("BEGIN_RULE / SET_RULESET(2) / BEGIN_ACTION / APPEND('!') / END_ACTION / END_RULE / BEGIN_RULE / BEGIN_ACTION / "
     "RULESET_ON(2) / PAD_ZEROS(2) / END_ACTION / END_RULE"),
    "",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 16384) return 0;
    const std::uint8_t flags = data[0];
    trelmix::cli::RunOptions options;
    options.scans = fuzz::WriteScratch(std::string(reinterpret_cast<const char*>(data + 1), size - 1), ".scans");
    options.script = kScripts[flags & 3];
    options.text = true;
    options.jsonl = flags & 4;
    options.explain = flags & 8;
    fuzz::Io io;
    const int status = trelmix::cli::RunCommand(options, io.streams);
    if (status < 0 || status > 2) fuzz::Fail("run --scans: exit status out of range", io.out.str());
    return 0;
}
