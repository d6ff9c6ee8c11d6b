// The shipped DLL's five exports as a scanner host calls them on 32-bit
// Windows, in the emulated process: cdecl, arguments on the stack and the
// caller popping them; TRLM_Execute and TRLM_ExecuteInto returning their
// 20-byte ExecuteResult through a hidden pointer (EAX holds it on return);
// the host's TypeCharacter called back __thiscall (the emulator in ECX, two
// stack arguments the callee pops).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process.h"
#include "trelmix/trelmix.h"

namespace trelmix::x86 {

class Library {
public:
    explicit Library(const std::string& dllPath);

    struct Transmit {
        std::uint32_t textEncoding = 1;
        std::uint32_t typingContext = 0;
        std::uint32_t delayMs = 0;
        std::uint32_t keyCodeMode = 0;
    };
    // The host's TransmitObject (its emulator types into host().output), or none.
    void SetTransmitObject(const Transmit* transmit);

    // The script as a writable NUL-terminated string, as a host passes it.
    bool AssignScript(const HostId& id, const std::u16string& script);
    bool IsRegistered(const HostId& id);

    struct Outcome {
        std::int32_t status = 0;
        std::uint32_t length = 0;
        // The buffer after the call: as many bytes as the record or the
        // result's length (within the capacity), whichever is more.
        std::vector<std::uint8_t> buffer;
    };
    // TRLM_ExecuteInto on a buffer of `capacity` bytes holding the record
    // (capacity at least its length); with `into` false TRLM_Execute on it.
    Outcome Execute(const HostId& id, const std::vector<std::uint8_t>& record, std::uint32_t capacity,
                    std::uint32_t codeType, std::uint32_t protocol, bool into = true);

    // Detaches the DLL; Fault when that faults, or leaves behind a heap
    // block allocated after attaching.
    void Close();

    bool Faulted() const { return process_.Faulted(); }
    HostEffects& host() { return process_.host; }
    Heap& heap() { return process_.heap; }

private:
    std::uint32_t Id(const HostId& id);
    std::uint32_t Buffer(std::uint32_t capacity);

    Process process_;
    std::uint32_t id_ = 0, buffer_ = 0, capacity_ = 0, result_ = 0;
    std::uint32_t emulator_ = 0, transmit_ = 0;
};

}  // namespace trelmix::x86
