// Fuzz target: a script, a mode and records from one input; assign and run
// them through the exports and check what a host relies on.
//
// Input: [flags] [script bytes] 0x00 [record] 0x00 [record] ...
//   flags bit 0: keyboard client; bit 1: a TransmitObject is set;
//   bit 2: text encoding 1252 (else the ANSI page); bits 3-4: keyCodeMode;
//   bit 5: Caps Lock on; bit 6: the script is UTF-16LE rather than one unit per byte.
// Each record's first byte is its code type, its second its protocol.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/simulated/simulated_host.h"
#include "trelmix/trelmix.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 1 || size > 8192) return 0;
    static trelmix::platform::RecordingPlatform recorder;  // pauses are recorded, not slept
    static trelmix::platform::RecordingPlatform* recording = [] {
        trelmix::platform::Install(&recorder);
        return &recorder;
    }();
    fuzz::Input in = fuzz::ReadInput(input, size);
    const std::uint8_t flags = in.flags;
    std::u16string& script = in.script;
    const std::uint8_t* p = in.records;
    const std::uint8_t* const end = in.end;
    if (script.empty()) script = u" ";  // the empty string would unregister instead

    const HostId id = (flags & 1) ? KeyboardClientId : HostId{0xF022, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    recording->capsLock = (flags & 0x20) != 0;
    recording->host.emulator.keyCodeMode = (flags >> 3) & 3;
    recording->host.emulator.delayMs = 1;
    recording->transmit.textEncoding = (flags & 4) ? 1 : 0;
    TRLM_SetTransmitObject((flags & 2) ? &recording->transmit : nullptr);

    // A path that cannot be read (".", a directory) keeps the earlier script.
    const bool isPath = trelmix::platform::Current().PathExists(script.c_str());
    const bool assigned = TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(script.data())) != 0;
    const bool registered = TRLM_IsRegistered(&id) != 0;
    Check(assigned ? registered : (isPath || !registered), "registration follows the result");
    Check(recording->events.size() <= 1, "at most one event per assignment");
    for (const auto& e : recording->events) Check(e.size() <= 255 && e.rfind(u"\r\n\r\n", 0) == 0, "event form");

    for (int n = 0; n < 8 && p < end; ++n) {
        const std::uint8_t* recordEnd = fuzz::FindZero(p, end);
        std::uint32_t codeType = 0, protocol = 0;
        if (p < recordEnd) codeType = *p;
        if (p + 1 < recordEnd) protocol = p[1];
        const auto length = static_cast<std::uint32_t>(recordEnd - p);
        const std::uint32_t capacity = length + 64;
        // Exactly `capacity` bytes: AddressSanitizer catches any write beyond.
        auto buffer = std::make_unique<std::uint8_t[]>(capacity);
        std::memcpy(buffer.get(), p, length);
        const ExecuteResult r = TRLM_ExecuteInto(&id, buffer.get(), length, capacity, codeType, protocol);
        Check(r.data == buffer.get() && r.reserved1 == 0 && r.reserved2 == 0, "result fields");
        switch (r.status) {
        case TRLM_STATUS_APPLIED: Check(r.length <= capacity, "copied length within capacity"); break;
        case TRLM_STATUS_TOO_LONG: Check(r.length > capacity, "too long means longer"); break;
        case TRLM_STATUS_NO_SCRIPT: Check(!registered, "no script only when unregistered"); [[fallthrough]];
        case TRLM_STATUS_NO_ACTION_BLOCK:
        case TRLM_STATUS_EMPTY_RULE:
        case TRLM_STATUS_OUT_OF_MEMORY:
            Check(r.length == length && std::memcmp(buffer.get(), p, length) == 0, "untouched");
            break;
        default: Check(false, "status in the allowed set");
        }
        p = recordEnd < end ? recordEnd + 1 : end;
    }
    recording->events.clear();
    recording->output.clear();
    TRLM_SetTransmitObject(nullptr);
    return 0;
}
