#include "calls.h"

#include <cstdio>

namespace trelmix::x86 {

namespace {

// What the caller leaves in the callee-saved registers, to see them kept.
constexpr std::pair<Reg, std::uint32_t> kKept[] = {
    {Reg::Ebx, 0xB0B0B0B0}, {Reg::Esi, 0x51515151}, {Reg::Edi, 0xD1D1D1D1}, {Reg::Ebp, 0xBEBEBEBE}};

}  // namespace

Calls::Calls(Machine& machine) : m_(machine) {
    m_.Map(layout::kRuntime, layout::kRuntimeSize);
    return_ = Code({0xF4});  // hlt: never executed, the run stops on reaching it
    m_.onTrap = [this] { OnTrap(); };
}

std::uint32_t Calls::Data(std::uint32_t size) {
    const std::uint32_t at = next_;
    next_ += (size + 15) & ~15u;
    if (next_ > layout::kRuntime + layout::kRuntimeSize) throw Fault("the host's runtime area is full");
    return at;
}

std::uint32_t Calls::Code(std::initializer_list<std::uint8_t> bytes) {
    const std::uint32_t at = Data(static_cast<std::uint32_t>(bytes.size()));
    m_.Write(at, bytes.begin(), static_cast<std::uint32_t>(bytes.size()));
    return at;
}

std::uint32_t Calls::Stub(const std::string& name, std::uint32_t popBytes, HostFunction function) {
    const auto n = static_cast<std::uint32_t>(functions_.size());
    const std::uint32_t at = layout::kRuntime + layout::kRuntimeSize - 8 * (n + 1);  // from the top down
    if (at < next_) throw Fault("the host's runtime area is full");
    const std::uint8_t code[8] = {
        0xCD, 0x80, 0xC2, static_cast<std::uint8_t>(popBytes), static_cast<std::uint8_t>(popBytes >> 8),
        0x90, 0x90, 0x90};
    m_.Write(at, code, sizeof code);
    if (popBytes == 0) m_.Write(at + 2, "\xC3", 1);  // plain ret
    functions_.emplace_back(name, std::move(function));
    return at;
}

void Calls::OnTrap() {
    const std::uint32_t eip = m_.Get(Reg::Eip);  // after `int 0x80`
    const std::uint32_t top = layout::kRuntime + layout::kRuntimeSize;
    const std::uint32_t index = (top - (eip - 2)) / 8 - 1;
    if (eip < 2 || (top - (eip - 2)) % 8 != 0 || index >= functions_.size()) {
        throw Fault("int 0x80 outside the host's stubs");
    }
    current_ = functions_[index].first;
    const std::uint32_t eax = functions_[index].second(Args(m_, m_.Get(Reg::Esp)));
    m_.Set(Reg::Eax, eax);
    current_.clear();
}

std::uint32_t Calls::Call(const char* what, std::uint32_t function, Convention convention,
                          std::initializer_list<std::uint32_t> args) {
    // Host calls never nest: each starts at the top of the stack.
    std::uint32_t esp = layout::kStackBase - 16 - 4 * static_cast<std::uint32_t>(args.size());
    const std::uint32_t argsAt = esp;
    for (std::uint32_t a : args) {
        m_.Write32(esp, a);
        esp += 4;
    }
    esp = argsAt - 4;
    m_.Write32(esp, return_);
    m_.Set(Reg::Esp, esp);
    for (const auto& [reg, value] : kKept) m_.Set(reg, value);

    m_.Run(function, return_);

    const std::uint32_t expected = convention == Convention::Cdecl ? argsAt : argsAt + 4 * args.size();
    char text[160];
    if (m_.Get(Reg::Esp) != expected) {
        std::snprintf(text, sizeof text, "%s returned with ESP 0x%08X, expected 0x%08X (%s)", what, m_.Get(Reg::Esp),
                      expected,
                      convention == Convention::Cdecl ? "the caller pops the arguments" : "the callee pops them");
        throw Fault(text);
    }
    for (const auto& [reg, value] : kKept) {
        if (m_.Get(reg) != value) {
            std::snprintf(text, sizeof text, "%s did not keep a callee-saved register (0x%08X became 0x%08X)", what,
                          value, m_.Get(reg));
            throw Fault(text);
        }
    }
    return m_.Get(Reg::Eax);
}

}  // namespace trelmix::x86
