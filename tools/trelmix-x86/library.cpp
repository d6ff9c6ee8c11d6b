#include "library.h"

#include <algorithm>
#include <cstdio>

namespace trelmix::x86 {

namespace {

using Convention = Calls::Convention;

constexpr std::uint32_t kResultSize = 20;     // sizeof(ExecuteResult) on 32-bit
constexpr std::uint32_t kEmulatorSize = 572;  // sizeof(KeyboardEmulator) on 32-bit

}  // namespace

Library::Library(const std::string& dllPath) : process_(dllPath) {
    process_.heap.Mark();
    Heap& h = process_.hostHeap;
    id_ = h.Allocate(sizeof(HostId));
    result_ = h.Allocate(kResultSize);
    emulator_ = h.Allocate(kEmulatorSize);
    transmit_ = h.Allocate(12);
    const std::uint32_t operations = h.Allocate(8);

    Process& p = process_;
    const std::uint32_t typeCharacter = p.calls.Stub("TypeCharacter", 8, [this, &p](const Args& a) {
        if (p.machine.Get(Reg::Ecx) != emulator_) throw Fault("TypeCharacter without the emulator in ECX");
        platform::Output out;
        out.kind = platform::Output::Kind::Type;
        out.unit = a[0];
        out.context = a[1];
        p.host.output.push_back(std::move(out));
        return 1u;
    });
    p.machine.Write32(operations, 0);
    p.machine.Write32(operations + 4, typeCharacter);
    std::fill_n(p.machine.Pointer(emulator_, kEmulatorSize), kEmulatorSize, 0);
    p.machine.Write32(emulator_, operations);
}

std::uint32_t Library::Id(const HostId& id) {
    process_.machine.Write(id_, &id, sizeof id);
    return id_;
}

// A block of exactly `capacity` bytes: a copy past it faults (crt_imports.cpp).
std::uint32_t Library::Buffer(std::uint32_t capacity) {
    if (capacity != capacity_) {
        if (buffer_) process_.hostHeap.Free(buffer_, "record buffer");
        buffer_ = process_.hostHeap.Allocate(capacity);
        if (buffer_ == 0) throw Fault("the host has no room for a record buffer of " + std::to_string(capacity));
        capacity_ = capacity;
    }
    return buffer_;
}

void Library::SetTransmitObject(const Transmit* t) {
    Machine& m = process_.machine;
    if (t) {
        m.Write32(emulator_ + 564, t->delayMs);
        m.Write32(emulator_ + 568, t->keyCodeMode);
        m.Write32(transmit_, emulator_);
        m.Write32(transmit_ + 4, t->textEncoding);
        m.Write32(transmit_ + 8, t->typingContext);
    }
    process_.Call("TRLM_SetTransmitObject", process_.Export("TRLM_SetTransmitObject"), Convention::Cdecl,
                  {t ? transmit_ : 0});
}

bool Library::AssignScript(const HostId& id, const std::u16string& script) {
    const auto bytes = static_cast<std::uint32_t>(2 * (script.size() + 1));
    const std::uint32_t text = process_.hostHeap.Allocate(bytes);
    if (text == 0) throw Fault("the host has no room for the script");
    process_.machine.Write(text, script.c_str(), bytes);
    const std::uint32_t eax =
        process_.Call("TRLM_AssignScript", process_.Export("TRLM_AssignScript"), Convention::Cdecl, {Id(id), text});
    process_.hostHeap.Free(text, "script");
    return (eax & 0xFF) != 0;  // a uint8_t comes back in AL
}

bool Library::IsRegistered(const HostId& id) {
    const std::uint32_t eax =
        process_.Call("TRLM_IsRegistered", process_.Export("TRLM_IsRegistered"), Convention::Cdecl, {Id(id)});
    return (eax & 0xFF) != 0;
}

Library::Outcome Library::Execute(const HostId& id, const std::vector<std::uint8_t>& record, std::uint32_t capacity,
                                  std::uint32_t codeType, std::uint32_t protocol, bool into) {
    Machine& m = process_.machine;
    const auto length = static_cast<std::uint32_t>(record.size());
    capacity = std::max(capacity, length);
    const std::uint32_t data = Buffer(capacity);
    m.Write(data, record.data(), length);
    std::fill_n(m.Pointer(result_, kResultSize), kResultSize, 0xCC);  // what a caller's stack holds

    const char* name = into ? "TRLM_ExecuteInto" : "TRLM_Execute";
    const std::uint32_t eax = into ? process_.Call(name, process_.Export(name), Convention::Cdecl,
                                                   {result_, Id(id), data, length, capacity, codeType, protocol})
                                   : process_.Call(name, process_.Export(name), Convention::Cdecl,
                                                   {result_, Id(id), data, length, codeType, protocol});
    if (eax != result_) throw Fault(std::string(name) + " did not return the hidden result pointer in EAX");
    if (m.Read32(result_) != data || m.Read32(result_ + 12) != 0 || m.Read32(result_ + 16) != 0) {
        throw Fault(std::string(name) + ": the result's data is not the caller's buffer, or a reserved field is set");
    }
    Outcome o;
    o.length = m.Read32(result_ + 4);
    o.status = static_cast<std::int32_t>(m.Read32(result_ + 8));
    const std::uint32_t shown = std::max(length, std::min(o.length, capacity));
    const std::uint8_t* bytes = m.Pointer(data, shown);
    o.buffer.assign(bytes, bytes + shown);
    return o;
}

// What the DLL allocated while attaching may stay (the C++ runtime's
// emergency exception pool does); everything since must be freed.
void Library::Close() {
    process_.Detach();
    if (const std::size_t left = process_.heap.LiveSinceMark()) {
        throw Fault("the DLL left " + std::to_string(left) + " heap blocks allocated after DLL_PROCESS_DETACH");
    }
}

}  // namespace trelmix::x86
