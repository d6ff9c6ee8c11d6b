// Maps a 32-bit PE DLL into the emulated memory as the Windows loader does:
// headers and sections at a base, base relocations applied when the base is
// not the preferred one, read-only sections protected. The caller binds the
// imports (every IAT slot) and runs the TLS callbacks and the entry point.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace trelmix::x86 {

class Machine;

struct PeImage {
    struct Import {
        std::string dll;         // as the import table spells it
        std::string name;        // imported by name only (ordinals are refused)
        std::uint32_t slot = 0;  // address of its IAT entry
    };
    std::uint32_t base = 0;
    std::uint32_t preferredBase = 0;
    std::uint32_t entry = 0;  // DllMain (the C runtime's), absolute
    std::vector<Import> imports;
    std::map<std::string, std::uint32_t> exports;  // name -> absolute address
    // The TLS directory: the template, where the loader writes the index, and
    // the callbacks to run before the entry point.
    std::uint32_t tlsStart = 0, tlsEnd = 0, tlsZeroFill = 0, tlsIndexSlot = 0;
    std::vector<std::uint32_t> tlsCallbacks;
};

// Throws Fault for a file that is not a 32-bit PE DLL this loader handles.
PeImage LoadPe(Machine& machine, const std::vector<std::uint8_t>& file, std::uint32_t base);

}  // namespace trelmix::x86
