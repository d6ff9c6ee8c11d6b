#include "heap.h"

#include <cstdio>
#include <cstring>

#include "machine.h"

namespace trelmix::x86 {

namespace {

constexpr std::uint32_t kAlign = 8;  // as the Windows heap aligns on 32-bit

std::uint32_t Rounded(std::uint32_t size) { return size == 0 ? kAlign : (size + kAlign - 1) & ~(kAlign - 1); }

std::string Hex(std::uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

}  // namespace

Heap::Heap(Machine& machine, std::uint32_t base, std::uint32_t size, bool garbage)
    : m_(machine), base_(base), end_(base + size), garbage_(garbage) {
    m_.Map(base, size);
    free_[base] = size;
}

std::uint32_t Heap::Allocate(std::uint32_t size) {
    if (countdown_ == 0) {
        if (!persistent_) countdown_ = -1;
        failed_ = true;
        return 0;
    }
    if (countdown_ > 0) --countdown_;
    if (size > end_ - base_) return 0;
    const std::uint32_t rounded = Rounded(size);
    for (auto it = free_.begin(); it != free_.end(); ++it) {
        if (it->second < rounded) continue;
        const std::uint32_t at = it->first;
        const std::uint32_t left = it->second - rounded;
        free_.erase(it);
        if (left > 0) free_[at + rounded] = left;
        live_[at] = {size, serial_++};
        if (garbage_) std::memset(m_.Pointer(at, rounded), 0xCD, rounded);
        return at;
    }
    return 0;
}

std::uint32_t Heap::SizeOf(std::uint32_t address, const char* what) const {
    const auto it = live_.find(address);
    if (it == live_.end()) throw Fault(std::string(what) + " of " + Hex(address) + ", not a live heap block");
    return it->second.size;
}

std::size_t Heap::LiveSinceMark() const {
    std::size_t n = 0;
    for (const auto& [address, block] : live_) n += block.serial >= mark_;
    return n;
}

void Heap::Free(std::uint32_t address, const char* what) {
    std::uint32_t size = Rounded(SizeOf(address, what));
    live_.erase(address);
    auto next = free_.find(address + size);
    if (next != free_.end()) {
        size += next->second;
        free_.erase(next);
    }
    auto after = free_.lower_bound(address);
    if (after != free_.begin()) {
        auto before = std::prev(after);
        if (before->first + before->second == address) {
            before->second += size;
            return;
        }
    }
    free_[address] = size;
}

void Heap::CheckRange(std::uint32_t address, std::uint32_t size, const std::string& what) const {
    if (size == 0 || address < base_ || address >= end_) return;
    auto it = live_.upper_bound(address);
    if (it != live_.begin()) {
        --it;
        const std::uint32_t offset = address - it->first;
        if (offset < it->second.size && size <= it->second.size - offset) return;
    }
    throw Fault(what + ": " + std::to_string(size) + " bytes at " + Hex(address) + " run outside a live heap block");
}

}  // namespace trelmix::x86
