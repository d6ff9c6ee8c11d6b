// Fuzz target: request lines through one `run --jsonl` session, the way an
// editor or another engine's driver talks to it: records, assignments and
// broken lines, with and without the trace.
// Input: [flags] [script line] \n [request line] \n ... Flags bit 0: the
// keyboard client; bit 1: every record explained (--explain); bit 2: Caps
// Lock on. Every line must be answered with one JSON object.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "command_input.h"
#include "run/jsonl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 16384) return 0;
    const std::uint8_t flags = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t at = text.find('\n');
    trelmix::cli::RunOptions options;
    options.id = (flags & 1) ? KeyboardClientId : trelmix::cli::kDefaultApplicationId;
    options.explain = flags & 2;
    options.host.capsLock = flags & 4;
    options.jsonl = true;
    options.text = true;
    options.script = text.substr(0, at);
    trelmix::cli::JsonlRun run(options);
    while (at != std::string::npos) {
        const std::size_t next = text.find('\n', at + 1);
        const std::string line = text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        at = next;
        const auto answer = run.Answer(line);
        if (answer && !nlohmann::json::accept(*answer)) fuzz::Fail("run --jsonl: an answer that is not JSON", *answer);
    }
    return 0;
}
