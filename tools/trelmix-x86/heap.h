// A heap over a region of emulated memory, kept on the host side: first fit
// over the free blocks in address order, neighbours merged on free. The
// DLL's malloc has one (with the out-of-memory injection), the host another
// for its own blocks, so that only the DLL's allocations are counted.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace trelmix::x86 {

class Machine;

class Heap {
public:
    // With `garbage`, new blocks are filled with 0xCD: the DLL may not count
    // on fresh memory being zero.
    Heap(Machine& machine, std::uint32_t base, std::uint32_t size, bool garbage);

    // 0 when nothing fits, or when this is the allocation chosen to fail.
    std::uint32_t Allocate(std::uint32_t size);
    // Throws Fault for an address it did not give out (or gave and took back).
    void Free(std::uint32_t address, const char* what);
    std::uint32_t SizeOf(std::uint32_t address, const char* what) const;

    // Throws Fault when [address, address + size) lies in this heap but not
    // inside one live block: a copy past the end of an allocation.
    void CheckRange(std::uint32_t address, std::uint32_t size, const std::string& what) const;

    // Fails the allocation `n` from now (0: the next one), and with
    // `persistent` every one after it; -1: none.
    void FailAt(long long n, bool persistent) {
        countdown_ = n;
        persistent_ = persistent;
        failed_ = false;
    }
    bool Failed() const { return failed_; }

    // Blocks allocated since Mark() and still live.
    void Mark() { mark_ = serial_; }
    std::size_t LiveSinceMark() const;

private:
    Machine& m_;
    std::uint32_t base_;
    std::uint32_t end_;
    bool garbage_;
    std::map<std::uint32_t, std::uint32_t> free_;  // address -> size
    struct Block {
        std::uint32_t size;  // as asked for
        std::uint64_t serial;
    };
    std::map<std::uint32_t, Block> live_;  // by address
    std::uint64_t serial_ = 0, mark_ = 0;
    long long countdown_ = -1;
    bool persistent_ = false;
    bool failed_ = false;
};

}  // namespace trelmix::x86
