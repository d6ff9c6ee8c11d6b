// The call conventions between the host and the emulated 32-bit code, as a
// real Windows caller and callee keep them.
//
// Into the emulated code: the arguments on the stack, right to left, under a
// return address where the run stops; after the call ESP is where the
// convention leaves it (cdecl: the caller pops; stdcall: the callee pops) and
// EBX, ESI, EDI and EBP hold what the caller left in them.
//
// Out of it: each host function is a stub `int 0x80; ret N`. The host runs at
// the trap (arguments above the return address at ESP, the object in ECX for
// __thiscall) and sets EAX; `ret N` then pops what the callee pops.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "machine.h"

namespace trelmix::x86 {

// The stack arguments of a call that reached a stub.
class Args {
public:
    Args(Machine& m, std::uint32_t esp) : m_(m), esp_(esp) {}
    std::uint32_t operator[](unsigned i) const { return m_.Read32(esp_ + 4 + 4 * i); }

private:
    Machine& m_;
    std::uint32_t esp_;
};

using HostFunction = std::function<std::uint32_t(const Args&)>;

class Calls {
public:
    explicit Calls(Machine& machine);

    // An address the emulated code calls to run `function`; the stub pops
    // `popBytes` (0 for cdecl, 4 per argument for stdcall, 8 for the
    // two-argument __thiscall). `name` is for messages.
    std::uint32_t Stub(const std::string& name, std::uint32_t popBytes, HostFunction function);
    // Emulated code of the host's own, or a data block, in the runtime area.
    std::uint32_t Code(std::initializer_list<std::uint8_t> bytes);
    std::uint32_t Data(std::uint32_t size);

    enum class Convention { Cdecl, Stdcall };
    // Calls `function` with `args` and returns EAX; Fault (naming `what`)
    // when the stack or a callee-saved register is not as the convention
    // leaves it.
    std::uint32_t Call(const char* what, std::uint32_t function, Convention convention,
                       std::initializer_list<std::uint32_t> args);

    // The host function running now (for messages).
    const std::string& Current() const { return current_; }

private:
    void OnTrap();

    Machine& m_;
    std::uint32_t next_ = layout::kRuntime;
    std::uint32_t stubs_ = 0;   // first stub
    std::uint32_t return_ = 0;  // where a call from the host returns to
    std::vector<std::pair<std::string, HostFunction>> functions_;
    std::string current_;
};

}  // namespace trelmix::x86
