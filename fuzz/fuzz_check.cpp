// Fuzz target: script text through `trelmix check` (diagnostics and warnings,
// as text and as JSON lines) and through the warnings `run` prints first.
// Input: [flags] [script]. Flags bit 0: the keyboard client's script; bit 1:
// JSON lines; bit 2: warnings are errors; bit 3: the script is generated from
// the rest of the input (tests/reference/generator.h) rather than taken as is.
#include <cstdint>
#include <string>

#include "check/check.h"
#include "command_input.h"
#include "generator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 16384) return 0;
    const std::uint8_t flags = data[0];
    std::string script(reinterpret_cast<const char*>(data + 1), size - 1);
    if (flags & 8) {
        trelmix::reference::Choices choices(data + 1, size - 1);
        script = trelmix::reference::GenerateScript(choices, flags & 1);
    }
    trelmix::cli::CheckOptions options;
    options.id = (flags & 1) ? KeyboardClientId : trelmix::cli::kDefaultApplicationId;
    options.jsonl = flags & 2;
    options.werror = flags & 4;
    options.text = true;
    options.scripts = {script};
    fuzz::Io io;
    const int status = trelmix::cli::CheckCommand(options, io.streams);
    if (status < 0 || status > 2) fuzz::Fail("check: exit status out of range", script);
    std::ostringstream warnings;
    trelmix::cli::PrintRunWarnings(script, options.id, warnings);
    return 0;
}
