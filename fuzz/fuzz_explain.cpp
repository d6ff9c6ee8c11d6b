// Fuzz target: the explain renderer. A generated script and records
// (tests/reference/generator.h, driven by the input's bytes) through `trelmix
// run --explain`, told in words and as the JSON "trace".
// Input: [flags] [choices]. Flags bit 0: JSON lines; bit 1: Caps Lock on.
#include <cstdint>
#include <string>

#include "command_input.h"
#include "common/record_escapes.h"
#include "generator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return 0;
    const std::uint8_t flags = data[0];
    trelmix::reference::Choices choices(data + 1, size - 1);
    const trelmix::reference::GeneratedCase g = trelmix::reference::GenerateCase(choices);
    trelmix::cli::RunOptions options;
    options.id = g.keyboard ? KeyboardClientId : trelmix::cli::kDefaultApplicationId;
    options.host.capsLock = flags & 2;
    options.script = g.script;
    options.text = true;
    options.explain = true;
    options.jsonl = flags & 1;
    for (const std::string& r : g.records) {
        options.records.push_back(trelmix::cli::EscapeBytes(reinterpret_cast<const std::uint8_t*>(r.data()), r.size()));
    }
    fuzz::Io io;
    const int status = trelmix::cli::RunCommand(options, io.streams);
    if (status < 0 || status > 2) fuzz::Fail("run --explain: exit status out of range", g.script);
    return 0;
}
