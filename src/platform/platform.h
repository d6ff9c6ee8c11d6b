// The platform layer: every call the engine makes into the operating system.
//
// One interface, one backend per operating system (platform_posix.cpp,
// platform_win32.cpp), chosen at build time. Nothing above this layer includes
// <windows.h> or a POSIX header. Tests and the trelmix command install a
// different backend at run time (the simulated host, simulated/simulated_host.h); Install() is internal and
// not exported from the library.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "trelmix/trelmix.h"

namespace trelmix::platform {

class Backend {
public:
    virtual ~Backend() = default;

    // Writes one information event under `source` (the message is written as
    // given; the caller prepares prefix and length).
    virtual void ReportEvent(std::u16string_view source, std::u16string_view message) = 0;

    // True when a file or directory of that name exists.
    virtual bool PathExists(const char16_t* path) = 0;

    // Reads a whole file as bytes, opened in binary mode and shared with other
    // readers and writers. False when it cannot be opened, sized or read
    // (a directory, no access, removed meanwhile), or when it holds more than
    // maxBytes. May throw std::bad_alloc.
    virtual bool ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) = 0;

    // Injects `count` input records as one uninterrupted sequence.
    virtual void SendInput(std::uint32_t count, const InputRecord* records) = 0;

    // Scan code of a virtual key in the current layout (map type 0).
    virtual std::uint32_t MapVirtualKey(std::uint32_t virtualKey) = 0;

    // Low byte: virtual key that types the character; high byte: shift state;
    // all bits set (-1) when no key types it.
    virtual std::int16_t VkKeyScan(char16_t character) = 0;

    // Caps Lock toggled on.
    virtual bool CapsLockOn() = 0;

    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // Decodes bytes in a code page (0: the system ANSI code page) to UTF-16.
    // With out == nullptr: the number of units the bytes decode to. Otherwise
    // the number written (at most outSize). 0 on failure.
    virtual int MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                                int outSize) = 0;
};

// The backend in use: the operating system's own unless one was installed.
Backend& Current();

// Installs a backend (not owned) in place of the operating system's; nullptr
// restores the operating system's. For tests and the trelmix command.
void Install(Backend* backend);

// The operating system's own backend (defined in the per-platform file).
Backend& Native();

}  // namespace trelmix::platform
