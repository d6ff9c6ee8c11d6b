// Fuzz target: each input's script and records through the library's exports
// and through the reference engine (tests/reference/); any difference in
// result, bytes, keys, typed text, pauses, ruleset switches or load events
// aborts.
//
// Input: as fuzz_engine: [flags] [script bytes] 0x00 [record] 0x00 [record] ...
//   flags bit 0: keyboard client; bit 1: a TransmitObject is set;
//   bit 2: text encoding 1252 (else the ANSI page); bits 3-4: keyCodeMode;
//   bit 5: Caps Lock on; bit 6: the script is UTF-16LE rather than one unit
//   per byte; bit 7: TRLM_Execute instead of TRLM_ExecuteInto.
// Each record's first byte is its code type, its second its protocol, its
// third (when there is one) how much room the host's buffer has beyond it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "differential.h"
#include "fuzz_input.h"
#include "keyboard/transmit.h"
#include "platform/simulated/simulated_host.h"

namespace {

void Differs(const std::string& what) {
    std::fprintf(stderr, "library and reference differ: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 1 || size > 8192) return 0;
    static trelmix::platform::RecordingPlatform recording;  // pauses are recorded, not slept
    static const bool installed = (trelmix::platform::Install(&recording), true);
    (void)installed;
    fuzz::Input in = fuzz::ReadInput(input, size);
    const std::uint8_t flags = in.flags;
    std::u16string& script = in.script;
    const std::uint8_t* p = in.records;
    const std::uint8_t* const end = in.end;
    // Paths and the empty string (which unregisters) are the other fuzzer's.
    if (script.empty() || trelmix::platform::Current().PathExists((script + u'\0').c_str())) return 0;

    recording.capsLock = (flags & 0x20) != 0;
    recording.host.emulator.keyCodeMode = (flags >> 3) & 3;
    recording.host.emulator.delayMs = 1;
    recording.transmit.textEncoding = (flags & 4) ? 1 : 0;
    trelmix::SetTransmitObject((flags & 2) ? &recording.transmit : nullptr);
    {
        trelmix::reference::Differential both(recording, script, flags & 1);
        if (!both.assignment().empty()) Differs(both.assignment());
        for (int n = 0; n < 8 && p < end; ++n) {
            const std::uint8_t* recordEnd = fuzz::FindZero(p, end);
            const auto length = static_cast<std::uint32_t>(recordEnd - p);
            const std::uint32_t codeType = length > 0 ? p[0] : 0;
            const std::uint32_t protocol = length > 1 ? p[1] : 0;
            const std::uint32_t room = length > 2 ? p[2] % 80 : 16;
            const std::string diff = both.Run(p, length, length + room, !(flags & 0x80), codeType, protocol);
            if (!diff.empty()) Differs(diff);
            p = recordEnd < end ? recordEnd + 1 : end;
        }
    }
    recording.events.clear();
    recording.output.clear();
    trelmix::SetTransmitObject(nullptr);
    return 0;
}
