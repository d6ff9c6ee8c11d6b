// The Windows API subset the DLL calls, on one emulated thread: the file
// calls of script loading, the event log, input injection and the keyboard
// layout of the simulated host (US English, Windows-1252, a Caps Lock that
// injected Caps Lock presses toggle), and what the C runtime's start-up asks
// for (TLS slots, critical sections, semaphores, modules).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <iterator>
#include <thread>

#include "platform/codepage.h"
#include "platform/us_layout.h"
#include "platform/utf.h"
#include "process.h"

namespace trelmix::x86 {

namespace {

constexpr std::uint32_t kTrue = 1;
constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFF;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandleError = 6;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kModNotFound = 126;
constexpr std::uint32_t kTlsSlots = 64;
constexpr std::uint32_t kTebTlsSlots = 0xE10;
constexpr std::uint32_t kModules = 0x7F000000;  // pseudo handles of the system DLLs

int FileOf(Process& p, std::uint32_t handle) {
    const auto it = p.win32.files.find(handle);
    if (it == p.win32.files.end()) throw Fault("not a file handle: " + std::to_string(handle));
    return it->second;
}

// CreateFileW as the script loader uses it: read an existing file.
std::uint32_t CreateFile(Process& p, const Args& a) {
    if (a[1] != 0x80000000u || a[4] != 3) throw Fault("only opening an existing file for reading is emulated");
    const std::string path = platform::ToUtf8(p.machine.ReadWide(a[0]));
    // Opening does not wait (a FIFO with no writer would block it forever);
    // reads of the disk files the loader keeps do not block anyway.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open.
        p.SetLastError(fd >= 0 ? kAccessDenied : kFileNotFound);
        if (fd >= 0) close(fd);
        return kInvalidHandle;
    }
    const std::uint32_t handle = p.win32.nextHandle += 4;
    p.win32.files[handle] = fd;
    return handle;
}

struct stat Stat(Process& p, std::uint32_t handle) {
    struct stat st;
    if (fstat(FileOf(p, handle), &st) != 0) throw Fault("fstat failed");
    return st;
}

std::uint32_t ReadFile(Process& p, const Args& a) {
    const std::uint32_t buffer = a[1], size = a[2];
    p.heap.CheckRange(buffer, size, "ReadFile");
    const ssize_t n = read(FileOf(p, a[0]), p.machine.Pointer(buffer, size), size);
    if (a[3]) p.machine.Write32(a[3], n < 0 ? 0 : static_cast<std::uint32_t>(n));
    return n < 0 ? 0 : kTrue;
}

// 28-byte INPUT records (type, then KEYBDINPUT: wVk, wScan, dwFlags, time,
// dwExtraInfo), as SendInput receives them on 32-bit Windows.
std::uint32_t SendInput(Process& p, const Args& a) {
    if (a[2] != 28) throw Fault("cbSize " + std::to_string(a[2]) + ", not the 28 bytes of a 32-bit INPUT");
    platform::Output out;
    out.kind = platform::Output::Kind::Inject;
    for (std::uint32_t i = 0; i < a[0]; ++i) {
        const std::uint32_t r = a[1] + 28 * i;
        if (p.machine.Read32(r) != TRLM_INPUT_KEYBOARD) throw Fault("an INPUT record that is not a keyboard record");
        const std::uint32_t vk = p.machine.Read16(r + 4), scan = p.machine.Read16(r + 6);
        const std::uint32_t flags = p.machine.Read32(r + 8);
        out.records.push_back({vk, scan, flags});
        const bool capsKey = vk == 20 || (vk == 0 && scan == 0x3A);
        if (capsKey && (flags & TRLM_KEY_UP) == 0) p.host.capsLock = !p.host.capsLock;
    }
    p.host.output.push_back(std::move(out));
    return a[0];
}

// Code page 0 (the ANSI code page) and 1252: Windows-1252 as Windows has it.
std::uint32_t MultiByteToWideChar(Process& p, const Args& a) {
    const std::uint32_t codePage = a[0], bytes = a[2], wide = a[4];
    std::int32_t count = static_cast<std::int32_t>(a[3]);
    const auto outSize = static_cast<std::int32_t>(a[5]);
    if ((codePage != 0 && codePage != 1252) || bytes == 0 || count == 0 || outSize < 0) {
        p.SetLastError(kInvalidParameter);
        return 0;
    }
    if (count < 0) count = static_cast<std::int32_t>(p.machine.StringLength(bytes)) + 1;  // through the NUL
    const std::uint8_t* in = p.machine.Pointer(bytes, static_cast<std::uint32_t>(count));
    if (outSize == 0) return static_cast<std::uint32_t>(count);
    if (outSize < count) {
        p.SetLastError(kInsufficientBuffer);
        return 0;
    }
    p.heap.CheckRange(wide, 2 * static_cast<std::uint32_t>(count), "MultiByteToWideChar");
    auto* out = reinterpret_cast<char16_t*>(p.machine.Pointer(wide, 2 * static_cast<std::uint32_t>(count)));
    return static_cast<std::uint32_t>(platform::DecodeCp1252(in, count, out, outSize));
}

// The system DLLs this host stands in for, by pseudo handle.
constexpr const char* kSystemDlls[] = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "shlwapi.dll"};

std::uint32_t ModuleHandle(Process& p, const std::string& name) {
    std::string dll = Imports::Lower(name);
    if (dll.find('.') == std::string::npos) dll += ".dll";
    if (dll == "trelmix.dll") return p.image.base;
    for (std::uint32_t i = 0; i < std::size(kSystemDlls); ++i) {
        if (dll == kSystemDlls[i]) return kModules + 0x10000 * i;
    }
    p.SetLastError(kModNotFound);
    return 0;
}

}  // namespace

void AddWin32Imports(Process& p, Imports& in) {
    const char* k = "kernel32.dll";
    in.Stdcall(k, "CreateFileW", 7, [&p](const Args& a) { return CreateFile(p, a); });
    in.Stdcall(k, "ReadFile", 5, [&p](const Args& a) { return ReadFile(p, a); });
    in.Stdcall(k, "GetFileType", 1, [&p](const Args& a) {
        // A device (/dev/null, /dev/zero) is FILE_TYPE_CHAR and a FIFO or
        // socket FILE_TYPE_PIPE, as Windows answers for its own.
        const struct stat st = Stat(p, a[0]);
        if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return 1u;  // FILE_TYPE_DISK
        return S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? 2u : 3u;
    });
    in.Stdcall(k, "GetFileSizeEx", 2, [&p](const Args& a) {
        const auto size = static_cast<std::uint64_t>(Stat(p, a[0]).st_size);
        p.machine.Write(a[1], &size, 8);
        return kTrue;
    });
    in.Stdcall(k, "GetFileInformationByHandle", 2, [&p](const Args& a) {
        const struct stat st = Stat(p, a[0]);
        std::uint8_t info[52] = {};  // BY_HANDLE_FILE_INFORMATION
        const std::uint32_t attributes = 0x80, sizeLow = static_cast<std::uint32_t>(st.st_size),
                            sizeHigh = static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size) >> 32),
                            links = 1;
        std::memcpy(info, &attributes, 4);
        std::memcpy(info + 32, &sizeHigh, 4);
        std::memcpy(info + 36, &sizeLow, 4);
        std::memcpy(info + 40, &links, 4);
        p.machine.Write(a[1], info, sizeof info);
        return kTrue;
    });
    in.Stdcall(k, "CloseHandle", 1, [&p](const Args& a) {
        if (const auto it = p.win32.files.find(a[0]); it != p.win32.files.end()) {
            close(it->second);
            p.win32.files.erase(it);
        } else if (p.win32.semaphores.erase(a[0]) == 0) {
            p.SetLastError(kInvalidHandleError);
            return 0u;
        }
        return kTrue;
    });

    // One thread: critical sections never wait, and nothing waits on the
    // semaphores the runtime's mutexes make.
    for (const char* cs :
         {"InitializeCriticalSection", "DeleteCriticalSection", "EnterCriticalSection", "LeaveCriticalSection"}) {
        in.Stdcall(k, cs, 1, [](const Args&) { return 0u; });
    }
    in.Stdcall(k, "CreateSemaphoreW", 4, [&p](const Args&) {
        const std::uint32_t handle = p.win32.nextHandle += 4;
        p.win32.semaphores.insert(handle);
        return handle;
    });
    in.Stdcall(k, "GetCurrentThreadId", 0, [](const Args&) { return 1u; });
    in.Stdcall(k, "GetLastError", 0, [&p](const Args&) { return p.machine.Read32(layout::kTeb + 0x34); });
    in.Stdcall(k, "SetLastError", 1, [&p](const Args& a) {
        p.SetLastError(a[0]);
        return 0u;
    });

    // TLS slots live in the TEB, as on Windows.
    in.Stdcall(k, "TlsAlloc", 0, [&p](const Args&) {
        for (std::uint32_t i = 0; i < kTlsSlots; ++i) {
            if ((p.win32.tlsSlots >> i & 1) == 0) {
                p.win32.tlsSlots |= std::uint64_t{1} << i;
                p.machine.Write32(layout::kTeb + kTebTlsSlots + 4 * i, 0);
                return i;
            }
        }
        return 0xFFFFFFFFu;  // TLS_OUT_OF_INDEXES
    });
    auto slot = [&p](std::uint32_t i) {
        if (i >= kTlsSlots || (p.win32.tlsSlots >> i & 1) == 0) throw Fault("TLS slot " + std::to_string(i));
        return layout::kTeb + kTebTlsSlots + 4 * i;
    };
    in.Stdcall(k, "TlsGetValue", 1, [&p, slot](const Args& a) {
        const std::uint32_t value = p.machine.Read32(slot(a[0]));
        p.SetLastError(0);  // callers tell a stored 0 from a failure by it
        return value;
    });
    in.Stdcall(k, "TlsSetValue", 2, [&p, slot](const Args& a) {
        p.machine.Write32(slot(a[0]), a[1]);
        return kTrue;
    });

    // No module but the system DLLs is loaded: the C runtime's start-up looks
    // for a shared libgcc and does without.
    in.Stdcall(k, "GetModuleHandleA", 1, [&p](const Args& a) {
        return a[0] ? ModuleHandle(p, p.machine.ReadString(a[0])) : 0x00400000u;  // null: the program's
    });

    in.Stdcall(k, "MultiByteToWideChar", 6, [&p](const Args& a) { return MultiByteToWideChar(p, a); });
    in.Stdcall(k, "Sleep", 1, [&p](const Args& a) {
        platform::Output out;
        out.kind = platform::Output::Kind::Sleep;
        out.milliseconds = a[0];
        p.host.output.push_back(std::move(out));
        if (p.host.realSleep) std::this_thread::sleep_for(std::chrono::milliseconds(a[0]));
        return 0u;
    });

    const char* s = "shlwapi.dll";
    in.Stdcall(s, "PathFileExistsW", 1, [&p](const Args& a) {
        struct stat st;
        return stat(platform::ToUtf8(p.machine.ReadWide(a[0])).c_str(), &st) == 0 ? kTrue : 0u;
    });

    const char* u = "user32.dll";
    in.Stdcall(u, "SendInput", 3, [&p](const Args& a) { return SendInput(p, a); });
    in.Stdcall(u, "GetKeyState", 1, [&p](const Args& a) { return a[0] == 20 && p.host.capsLock ? 1u : 0u; });
    in.Stdcall(u, "MapVirtualKeyW", 2, [](const Args& a) {
        if (a[1] != 0) throw Fault("map type " + std::to_string(a[1]) + " is not emulated");
        return platform::UsScanCode(a[0]);
    });
    in.Stdcall(u, "VkKeyScanW", 1, [](const Args& a) {
        const std::int16_t scan = platform::UsVkKeyScan(static_cast<char16_t>(a[0]));
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(scan));
    });

    // The event log: every insertion string is an event of the simulated host.
    const char* v = "advapi32.dll";
    in.Stdcall(v, "RegisterEventSourceW", 2, [&p](const Args&) { return p.win32.nextHandle += 4; });
    in.Stdcall(v, "DeregisterEventSource", 1, [](const Args&) { return kTrue; });
    in.Stdcall(v, "ReportEventW", 9, [&p](const Args& a) {
        for (std::uint32_t i = 0; i < a[5]; ++i) {
            p.host.events.push_back(p.machine.ReadWide(p.machine.Read32(a[7] + 4 * i)));
        }
        return kTrue;
    });
}

}  // namespace trelmix::x86
