// The emulated 32-bit x86 CPU (Unicorn) and its memory, set up as Windows
// sets up a thread: flat 32-bit code, data and stack segments, FS at the
// thread's TEB, a stack. Every region is host memory mapped into the
// emulator, so the host reads and writes it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct uc_struct;

namespace trelmix::x86 {

// The emulated program did something a Windows process cannot survive (or
// called what this host does not provide); the message says what.
class Fault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where things are in the emulated address space.
namespace layout {
constexpr std::uint32_t kGdt = 0x00010000;
constexpr std::uint32_t kTeb = 0x00011000;
constexpr std::uint32_t kPeb = 0x00012000;
constexpr std::uint32_t kSystemSize = 0x3000;
constexpr std::uint32_t kRuntime = 0x00020000;  // stubs, thunks and data of the host's imports
constexpr std::uint32_t kRuntimeSize = 0x10000;
constexpr std::uint32_t kStackLimit = 0x00100000;
constexpr std::uint32_t kStackBase = 0x00300000;  // 2 MiB, the DLL's SizeOfStackReserve
constexpr std::uint32_t kImage = 0x10000000;      // not the DLL's preferred base: relocations apply
constexpr std::uint32_t kHeap = 0x20000000;       // the DLL's malloc
constexpr std::uint32_t kHeapSize = 0x40000000;
constexpr std::uint32_t kHost = 0x70000000;  // the host's own blocks: ids, scripts, record buffers
constexpr std::uint32_t kHostSize = 0x10000000;
}  // namespace layout

enum class Reg { Eax, Ecx, Edx, Ebx, Esp, Ebp, Esi, Edi, Eip };

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Maps zeroed memory (whole pages), readable, writable and executable.
    void Map(std::uint32_t address, std::uint32_t size);
    // Pages that only read (and execute): a write there faults as on Windows.
    void ReadOnly(std::uint32_t address, std::uint32_t size);

    // The host's view of [address, address + size); Fault when any of it is
    // not mapped.
    std::uint8_t* Pointer(std::uint32_t address, std::uint32_t size);
    std::uint32_t Read32(std::uint32_t address);
    void Write32(std::uint32_t address, std::uint32_t value);
    std::uint16_t Read16(std::uint32_t address);
    void Write(std::uint32_t address, const void* bytes, std::uint32_t size);
    std::string ReadString(std::uint32_t address);      // up to the NUL
    std::u16string ReadWide(std::uint32_t address);     // up to the NUL unit
    std::uint32_t StringLength(std::uint32_t address);  // bytes before the NUL

    std::uint32_t Get(Reg reg);
    void Set(Reg reg, std::uint32_t value);

    // Runs from `begin` until EIP reaches `until`. Throws Fault when the
    // emulated code faults or a trap handler stopped it.
    void Run(std::uint32_t begin, std::uint32_t until);

    // Called at every `int 0x80` (EIP after it). A handler that throws stops
    // the run, which then throws its message.
    std::function<void()> onTrap;

private:
    struct Region {
        std::uint32_t address;
        std::uint32_t size;
        std::uint8_t* host;
    };
    static void Trap(uc_struct* uc, std::uint32_t number, void* self);
    void SetUpSegments();

    uc_struct* uc_ = nullptr;
    std::vector<Region> regions_;
    std::string fault_;
};

}  // namespace trelmix::x86
