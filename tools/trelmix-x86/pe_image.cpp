#include "pe_image.h"

#include <cstring>

#include "machine.h"

namespace trelmix::x86 {

namespace {

std::uint32_t At32(const std::vector<std::uint8_t>& f, std::size_t offset) {
    if (offset + 4 > f.size()) throw Fault("the DLL file is truncated");
    std::uint32_t v;
    std::memcpy(&v, f.data() + offset, 4);
    return v;
}

std::uint16_t At16(const std::vector<std::uint8_t>& f, std::size_t offset) {
    return static_cast<std::uint16_t>(At32(f, offset) & 0xFFFF);
}

// Data directory entries of the optional header.
enum Directory { kExport = 0, kImport = 1, kRelocation = 5, kTls = 9 };

void Relocate(Machine& m, std::uint32_t base, std::uint32_t rva, std::uint32_t size, std::uint32_t delta) {
    for (std::uint32_t block = base + rva; block < base + rva + size;) {
        const std::uint32_t page = base + m.Read32(block);
        const std::uint32_t length = m.Read32(block + 4);
        if (length < 8) throw Fault("a base relocation block is malformed");
        for (std::uint32_t e = block + 8; e < block + length; e += 2) {
            const std::uint16_t entry = m.Read16(e);
            const unsigned type = entry >> 12;
            const std::uint32_t at = page + (entry & 0xFFF);
            if (type == 3) {  // HIGHLOW: a 32-bit address
                m.Write32(at, m.Read32(at) + delta);
            } else if (type != 0) {  // 0 pads a block
                throw Fault("base relocation type " + std::to_string(type) + " is not handled");
            }
        }
        block += length;
    }
}

}  // namespace

PeImage LoadPe(Machine& m, const std::vector<std::uint8_t>& f, std::uint32_t base) {
    if (f.size() < 0x40 || f[0] != 'M' || f[1] != 'Z') throw Fault("not a PE file");
    const std::uint32_t pe = At32(f, 0x3C);
    if (At32(f, pe) != 0x00004550) throw Fault("not a PE file");
    const std::uint32_t coff = pe + 4;
    if (At16(f, coff) != 0x014C) throw Fault("not an i386 image");
    if ((At16(f, coff + 18) & 0x2000) == 0) throw Fault("not a DLL");
    const std::uint32_t opt = coff + 20;
    if (At16(f, opt) != 0x010B) throw Fault("not a PE32 image");
    const std::uint32_t sections = opt + At16(f, coff + 16);

    PeImage image;
    image.base = base;
    image.preferredBase = At32(f, opt + 28);
    const std::uint32_t imageSize = At32(f, opt + 56);
    m.Map(base, imageSize);
    m.Write(base, f.data(), std::min<std::uint32_t>(At32(f, opt + 60), static_cast<std::uint32_t>(f.size())));
    struct Section {
        std::uint32_t rva, size;
        bool writable;
    };
    std::vector<Section> mapped;
    for (unsigned i = 0; i < At16(f, coff + 2); ++i) {
        const std::uint32_t s = sections + 40 * i;
        const std::uint32_t virtualSize = At32(f, s + 8), rva = At32(f, s + 12);
        const std::uint32_t rawSize = At32(f, s + 16), raw = At32(f, s + 20);
        const std::uint32_t copied = std::min(virtualSize, rawSize);
        if (rva + std::max(virtualSize, rawSize) > imageSize || raw + copied > f.size()) {
            throw Fault("a section lies outside the image");
        }
        m.Write(base + rva, f.data() + raw, copied);
        mapped.push_back({rva, virtualSize, (At32(f, s + 36) & 0x80000000u) != 0});
    }

    auto directory = [&](Directory d, std::uint32_t& rva, std::uint32_t& size) {
        rva = d < At32(f, opt + 92) ? At32(f, opt + 96 + 8 * d) : 0;
        size = rva ? At32(f, opt + 100 + 8 * d) : 0;
        return rva != 0;
    };
    std::uint32_t rva, size;
    if (base != image.preferredBase) {
        if (!directory(kRelocation, rva, size)) throw Fault("the DLL cannot move: it has no base relocations");
        Relocate(m, base, rva, size, base - image.preferredBase);
    }
    image.entry = base + At32(f, opt + 16);

    if (directory(kImport, rva, size)) {
        for (std::uint32_t d = base + rva; m.Read32(d + 12) != 0; d += 20) {
            const std::string dll = m.ReadString(base + m.Read32(d + 12));
            const std::uint32_t iat = base + m.Read32(d + 16);
            const std::uint32_t names = m.Read32(d) ? base + m.Read32(d) : iat;
            for (std::uint32_t i = 0; m.Read32(names + 4 * i) != 0; ++i) {
                const std::uint32_t entry = m.Read32(names + 4 * i);
                if (entry & 0x80000000u) throw Fault(dll + ": an import by ordinal is not handled");
                image.imports.push_back({dll, m.ReadString(base + entry + 2), iat + 4 * i});
            }
        }
    }
    if (directory(kExport, rva, size)) {
        const std::uint32_t e = base + rva;
        const std::uint32_t functions = base + m.Read32(e + 28), names = base + m.Read32(e + 32);
        const std::uint32_t ordinals = base + m.Read32(e + 36);
        for (std::uint32_t i = 0; i < m.Read32(e + 24); ++i) {
            const std::uint32_t index = m.Read16(ordinals + 2 * i);
            image.exports[m.ReadString(base + m.Read32(names + 4 * i))] = base + m.Read32(functions + 4 * index);
        }
    }
    if (directory(kTls, rva, size)) {  // addresses here are absolute, relocated above
        const std::uint32_t t = base + rva;
        image.tlsStart = m.Read32(t);
        image.tlsEnd = m.Read32(t + 4);
        image.tlsIndexSlot = m.Read32(t + 8);
        image.tlsZeroFill = m.Read32(t + 16);
        if (const std::uint32_t callbacks = m.Read32(t + 12)) {
            for (std::uint32_t c = callbacks; m.Read32(c) != 0; c += 4) image.tlsCallbacks.push_back(m.Read32(c));
        }
    }
    // Read-only sections, as Windows maps them (after the relocations).
    for (const Section& s : mapped) {
        if (!s.writable && s.size > 0) m.ReadOnly(base + s.rva, s.size);
    }
    return image;
}

}  // namespace trelmix::x86
