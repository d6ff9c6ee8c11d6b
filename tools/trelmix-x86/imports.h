// The host's side of the DLL's imports: each Windows or C runtime function
// the DLL may call, by "dll!name" (the DLL in lower case), as a host function
// with its convention, or a data item. An import missing here is still bound:
// calling it stops the run naming the function.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "calls.h"

namespace trelmix::x86 {

class Process;

class Imports {
public:
    struct Binding {
        std::uint32_t popBytes = 0;
        HostFunction function;   // empty for data
        std::uint32_t data = 0;  // the address the IAT slot holds for a data import
    };

    // A Windows API function: __stdcall, the callee pops its arguments.
    void Stdcall(const char* dll, const char* name, std::uint32_t argumentCount, HostFunction function) {
        table_[Key(dll, name)] = {4 * argumentCount, std::move(function), 0};
    }
    // A C runtime function: __cdecl, the caller pops.
    void Cdecl(const char* dll, const char* name, HostFunction function) {
        table_[Key(dll, name)] = {0, std::move(function), 0};
    }
    void Data(const char* dll, const char* name, std::uint32_t address) { table_[Key(dll, name)] = {0, {}, address}; }

    // The address the import's IAT slot gets.
    std::uint32_t Bind(Calls& calls, const std::string& dll, const std::string& name);

    static std::string Lower(std::string s);

private:
    static std::string Key(const std::string& dll, const std::string& name) { return Lower(dll) + "!" + name; }
    std::map<std::string, Binding> table_;
};

void AddWin32Imports(Process& process, Imports& imports);
void AddCrtImports(Process& process, Imports& imports);

}  // namespace trelmix::x86
