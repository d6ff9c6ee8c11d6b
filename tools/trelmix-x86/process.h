// The emulated Windows process around the DLL: the machine, the DLL's heap
// and the host's, the image loaded, bound and attached, and the state the
// Windows functions keep (files, TLS slots, last error) with what the
// simulated host saw through them (events, injections, typed units, sleeps).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "calls.h"
#include "heap.h"
#include "imports.h"
#include "machine.h"
#include "pe_image.h"
#include "platform/simulated/simulated_host.h"

namespace trelmix::x86 {

// The simulated host, as trelmix run's: US layout, Windows-1252, Caps Lock.
struct HostEffects {
    std::vector<std::u16string> events;    // every event message, as written
    std::vector<platform::Output> output;  // injections, typed units and sleeps, in order
    bool capsLock = false;                 // toggled by every injected Caps Lock key-down
    bool realSleep = false;
};

struct Win32State {
    std::uint32_t nextHandle = 0x100;
    std::map<std::uint32_t, int> files;  // handle -> descriptor
    std::set<std::uint32_t> semaphores;
    std::uint64_t tlsSlots = 0;  // TlsAlloc's, in use
};

class Process {
public:
    // Loads the DLL, binds its imports and attaches it (TLS callbacks and
    // DllMain with DLL_PROCESS_ATTACH).
    explicit Process(const std::string& dllPath);
    // Detaches the DLL as FreeLibrary does; Fault when that faults. Once
    // any call faulted the process is not run again.
    void Detach();
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    std::uint32_t Export(const std::string& name) const;
    // A call into the DLL (see Calls::Call), refused after a fault.
    std::uint32_t Call(const char* what, std::uint32_t function, Calls::Convention convention,
                       std::initializer_list<std::uint32_t> args);

    void SetLastError(std::uint32_t code) { machine.Write32(layout::kTeb + 0x34, code); }
    bool Faulted() const { return faulted_; }

    Machine machine;
    Calls calls{machine};
    Heap heap;      // the DLL's malloc, with the out-of-memory injection
    Heap hostHeap;  // the host's own blocks
    PeImage image;
    Imports imports;
    HostEffects host;
    Win32State win32;

private:
    void SetUpTls();
    void Notify(std::uint32_t reason);  // TLS callbacks and DllMain

    bool attached_ = false;
    bool faulted_ = false;
};

}  // namespace trelmix::x86
