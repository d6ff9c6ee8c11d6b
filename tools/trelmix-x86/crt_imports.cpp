// The C runtime subset (msvcrt.dll) the DLL calls: the heap, with the
// out-of-memory injection, the memory and string functions (every copy
// checked against the heap block it lands in), the start-up's
// _initterm as x86 code of its own, and the runtime's last words (abort,
// _amsg_exit, what it prints) as faults or lines on standard error.
#include <cstdio>
#include <cstring>
#include <limits>

#include "process.h"

namespace trelmix::x86 {

namespace {

// _initterm(begin, end): calls every non-null function pointer in between.
// The constructors it calls are emulated code, so it is emulated code too.
constexpr std::initializer_list<std::uint8_t> kInitterm = {
    0x56,                    // push esi
    0x57,                    // push edi
    0x8B, 0x74, 0x24, 0x0C,  // mov esi, [esp+12]   begin
    0x8B, 0x7C, 0x24, 0x10,  // mov edi, [esp+16]   end
    0x39, 0xFE,              // loop: cmp esi, edi
    0x73, 0x0D,              // jae done
    0x8B, 0x06,              // mov eax, [esi]
    0x85, 0xC0,              // test eax, eax
    0x74, 0x02,              // jz next
    0xFF, 0xD0,              // call eax
    0x83, 0xC6, 0x04,        // next: add esi, 4
    0xEB, 0xEF,              // jmp loop
    0x5F,                    // done: pop edi
    0x5E,                    // pop esi
    0xC3,                    // ret
};

// The bytes [address, address + size) for a copy, checked against the block
// they lie in: the DLL's own, or the host's (a record buffer of exactly the
// capacity the host passed).
std::uint8_t* Bytes(Process& p, std::uint32_t address, std::uint32_t size, const char* what) {
    p.heap.CheckRange(address, size, what);
    p.hostHeap.CheckRange(address, size, what);
    return p.machine.Pointer(address, size);
}

// What the runtime prints before it gives up (terminate's message, say).
std::uint32_t Print(const std::string& text) {
    std::fprintf(stderr, "trelmix.dll: %s", text.c_str());
    return static_cast<std::uint32_t>(text.size());
}

std::uint32_t Compare(int c) { return static_cast<std::uint32_t>(c < 0 ? -1 : c > 0 ? 1 : 0); }

}  // namespace

void AddCrtImports(Process& p, Imports& in) {
    const char* c = "msvcrt.dll";
    in.Cdecl(c, "malloc", [&p](const Args& a) { return p.heap.Allocate(a[0]); });
    in.Cdecl(c, "calloc", [&p](const Args& a) {
        const std::uint64_t size = std::uint64_t{a[0]} * a[1];
        if (size > std::numeric_limits<std::uint32_t>::max()) return 0u;
        const std::uint32_t at = p.heap.Allocate(static_cast<std::uint32_t>(size));
        if (at != 0) std::memset(p.machine.Pointer(at, static_cast<std::uint32_t>(size)), 0, size);
        return at;
    });
    in.Cdecl(c, "free", [&p](const Args& a) {
        if (a[0] != 0) p.heap.Free(a[0], "free");
        return 0u;
    });

    in.Cdecl(c, "memcpy", [&p](const Args& a) {
        std::memcpy(Bytes(p, a[0], a[2], "memcpy"), Bytes(p, a[1], a[2], "memcpy"), a[2]);
        return a[0];
    });
    in.Cdecl(c, "memmove", [&p](const Args& a) {
        std::memmove(Bytes(p, a[0], a[2], "memmove"), Bytes(p, a[1], a[2], "memmove"), a[2]);
        return a[0];
    });
    in.Cdecl(c, "memset", [&p](const Args& a) {
        std::memset(Bytes(p, a[0], a[2], "memset"), static_cast<int>(a[1]), a[2]);
        return a[0];
    });
    in.Cdecl(c, "memcmp", [&p](const Args& a) {
        return Compare(std::memcmp(Bytes(p, a[0], a[2], "memcmp"), Bytes(p, a[1], a[2], "memcmp"), a[2]));
    });
    in.Cdecl(c, "memchr", [&p](const Args& a) {
        const std::uint8_t* s = Bytes(p, a[0], a[2], "memchr");
        const void* hit = std::memchr(s, static_cast<int>(a[1] & 0xFF), a[2]);
        return hit ? a[0] + static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(hit) - s) : 0u;
    });
    in.Cdecl(c, "strlen", [&p](const Args& a) { return p.machine.StringLength(a[0]); });
    in.Data(c, "_initterm", p.calls.Code(kInitterm));      // the slot holds the code's address
    in.Cdecl(c, "_lock", [](const Args&) { return 0u; });  // one thread
    in.Cdecl(c, "_unlock", [](const Args&) { return 0u; });
    in.Cdecl(c, "abort", [](const Args&) -> std::uint32_t { throw Fault("the DLL called abort()"); });
    in.Cdecl(c, "_amsg_exit", [](const Args& a) -> std::uint32_t {
        throw Fault("the C runtime gave up: _amsg_exit(" + std::to_string(a[0]) + ")");
    });

    // Data: msvcrt's stdio streams (32 bytes each) and the character width.
    const std::uint32_t iob = p.calls.Data(3 * 32);
    in.Data(c, "_iob", iob);
    const std::uint32_t mbCurMax = p.calls.Data(4);
    p.machine.Write32(mbCurMax, 1);
    in.Data(c, "__mb_cur_max", mbCurMax);
    in.Cdecl(c, "fputs", [&p](const Args& a) { return Print(p.machine.ReadString(a[0])); });
    in.Cdecl(c, "fputc", [](const Args& a) { return Print(std::string(1, static_cast<char>(a[0]))); });
    in.Cdecl(c, "fwrite", [&p](const Args& a) {
        const std::uint32_t n = a[1] * a[2];
        Print(std::string(reinterpret_cast<const char*>(p.machine.Pointer(a[0], n)), n));
        return a[2];
    });
}

}  // namespace trelmix::x86
