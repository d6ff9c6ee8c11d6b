#include "machine.h"

#include <sys/mman.h>
#include <unicorn/unicorn.h>

#include <cstdio>
#include <cstring>

namespace trelmix::x86 {

namespace {

constexpr std::uint32_t kPage = 0x1000;

std::uint32_t PageUp(std::uint32_t size) { return (size + kPage - 1) & ~(kPage - 1); }

void Check(uc_err err, const char* what) {
    if (err != UC_ERR_OK) throw Fault(std::string(what) + ": " + uc_strerror(err));
}

// A segment descriptor: base, limit (in pages when `flags` has G), access byte.
std::uint64_t Descriptor(std::uint32_t base, std::uint32_t limit, std::uint8_t access, std::uint8_t flags) {
    std::uint64_t d = limit & 0xFFFF;
    d |= std::uint64_t{base & 0xFFFFFF} << 16;
    d |= std::uint64_t{access} << 40;
    d |= std::uint64_t{(limit >> 16) & 0xF} << 48;
    d |= std::uint64_t{flags & 0xFu} << 52;
    d |= std::uint64_t{base >> 24} << 56;
    return d;
}

constexpr int kRegisters[] = {UC_X86_REG_EAX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_EBX, UC_X86_REG_ESP,
                              UC_X86_REG_EBP, UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EIP};

}  // namespace

Machine::Machine() {
    Check(uc_open(UC_ARCH_X86, UC_MODE_32, &uc_), "uc_open");
    uc_hook hook;
    Check(uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&Machine::Trap), this, 1, 0), "uc_hook_add");
    Map(layout::kGdt, layout::kSystemSize);
    Map(layout::kStackLimit, layout::kStackBase - layout::kStackLimit);
    SetUpSegments();
}

Machine::~Machine() {
    uc_close(uc_);
    for (const Region& r : regions_) munmap(r.host, r.size);
}

// Without descriptors Unicorn runs 32-bit code on 16-bit segments: the stack
// pointer wraps at 64 KiB. Windows gives a thread flat 32-bit code, data and
// stack segments and FS over its TEB; ring 0 here, where SS may be loaded.
void Machine::SetUpSegments() {
    const std::uint64_t gdt[] = {
        0, Descriptor(0, 0xFFFFF, 0x9A, 0xC),            // 0x08 code: present, execute/read, 4 KiB pages, 32-bit
        Descriptor(0, 0xFFFFF, 0x92, 0xC),               // 0x10 data and stack: present, read/write
        Descriptor(layout::kTeb, kPage - 1, 0x92, 0x4),  // 0x18 FS: the TEB, byte granular
    };
    Write(layout::kGdt, gdt, sizeof gdt);
    uc_x86_mmr gdtr{};
    gdtr.base = layout::kGdt;
    gdtr.limit = sizeof gdt - 1;
    Check(uc_reg_write(uc_, UC_X86_REG_GDTR, &gdtr), "GDTR");
    const std::pair<int, std::uint32_t> selectors[] = {{UC_X86_REG_CS, 0x08}, {UC_X86_REG_SS, 0x10},
                                                       {UC_X86_REG_DS, 0x10}, {UC_X86_REG_ES, 0x10},
                                                       {UC_X86_REG_FS, 0x18}, {UC_X86_REG_GS, 0x10}};
    for (const auto& [reg, selector] : selectors) {
        Check(uc_reg_write(uc_, reg, &selector), "segment register");
    }
    // The TEB: the end of the exception handler chain, the stack bounds, its
    // own address, the PEB, the thread id.
    Write32(layout::kTeb + 0x00, 0xFFFFFFFF);
    Write32(layout::kTeb + 0x04, layout::kStackBase);
    Write32(layout::kTeb + 0x08, layout::kStackLimit);
    Write32(layout::kTeb + 0x18, layout::kTeb);
    Write32(layout::kTeb + 0x20, 1);  // process id
    Write32(layout::kTeb + 0x24, 1);  // thread id
    Write32(layout::kTeb + 0x30, layout::kPeb);
}

void Machine::Map(std::uint32_t address, std::uint32_t size) {
    size = PageUp(size);
    // Reserved, not committed: a large heap costs only what is touched.
    void* host = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (host == MAP_FAILED) throw Fault("cannot reserve host memory for the emulator");
    regions_.push_back({address, size, static_cast<std::uint8_t*>(host)});
    Check(uc_mem_map_ptr(uc_, address, size, UC_PROT_ALL, host), "uc_mem_map_ptr");
}

void Machine::ReadOnly(std::uint32_t address, std::uint32_t size) {
    Check(uc_mem_protect(uc_, address, PageUp(size), UC_PROT_READ | UC_PROT_EXEC), "uc_mem_protect");
}

std::uint8_t* Machine::Pointer(std::uint32_t address, std::uint32_t size) {
    for (const Region& r : regions_) {
        if (address >= r.address && address - r.address <= r.size && size <= r.size - (address - r.address)) {
            return r.host + (address - r.address);
        }
    }
    char text[96];
    std::snprintf(text, sizeof text, "access to unmapped memory: %u bytes at 0x%08X", size, address);
    throw Fault(text);
}

std::uint32_t Machine::Read32(std::uint32_t address) {
    std::uint32_t v;
    std::memcpy(&v, Pointer(address, 4), 4);
    return v;
}

std::uint16_t Machine::Read16(std::uint32_t address) {
    std::uint16_t v;
    std::memcpy(&v, Pointer(address, 2), 2);
    return v;
}

void Machine::Write32(std::uint32_t address, std::uint32_t value) { Write(address, &value, 4); }

void Machine::Write(std::uint32_t address, const void* bytes, std::uint32_t size) {
    if (size > 0) std::memcpy(Pointer(address, size), bytes, size);
}

std::uint32_t Machine::StringLength(std::uint32_t address) {
    std::uint32_t n = 0;
    while (*Pointer(address + n, 1) != 0) ++n;
    return n;
}

std::string Machine::ReadString(std::uint32_t address) {
    const std::uint32_t n = StringLength(address);
    const auto* p = reinterpret_cast<const char*>(Pointer(address, n));
    return std::string(p, n);
}

std::u16string Machine::ReadWide(std::uint32_t address) {
    std::u16string s;
    for (char16_t c; (c = static_cast<char16_t>(Read16(address))) != 0; address += 2) s.push_back(c);
    return s;
}

std::uint32_t Machine::Get(Reg reg) {
    std::uint32_t v = 0;
    Check(uc_reg_read(uc_, kRegisters[static_cast<int>(reg)], &v), "uc_reg_read");
    return v;
}

void Machine::Set(Reg reg, std::uint32_t value) {
    Check(uc_reg_write(uc_, kRegisters[static_cast<int>(reg)], &value), "uc_reg_write");
}

void Machine::Trap(uc_struct* uc, std::uint32_t number, void* self) {
    auto* m = static_cast<Machine*>(self);
    try {
        if (number != 0x80) throw Fault("interrupt " + std::to_string(number) + " (an x86 exception)");
        m->onTrap();
    } catch (const std::exception& e) {
        // Unicorn is C: nothing may unwind through it.
        m->fault_ = e.what();
        uc_emu_stop(uc);
    }
}

void Machine::Run(std::uint32_t begin, std::uint32_t until) {
    fault_.clear();
    const uc_err err = uc_emu_start(uc_, begin, until, 0, 0);
    char where[32];
    std::snprintf(where, sizeof where, " (EIP 0x%08X)", Get(Reg::Eip));
    if (!fault_.empty()) throw Fault(fault_ + where);
    if (err != UC_ERR_OK) throw Fault(std::string(uc_strerror(err)) + where);
    if (Get(Reg::Eip) != until) throw Fault(std::string("the emulation stopped early") + where);
}

}  // namespace trelmix::x86
