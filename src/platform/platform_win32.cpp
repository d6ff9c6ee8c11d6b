// The Windows backend: the event log, the file system, SendInput and the
// keyboard layout and code pages of the interactive desktop.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// shlwapi.h needs the types windows.h declares.
#include <shlwapi.h>

// These name the A/W pairs as macros; the backend's own members carry the
// plain names, and the calls below name the W functions themselves.
#undef ReportEvent
#undef MapVirtualKey
#undef VkKeyScan

#include <cstddef>
#include <string>
#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

#include "platform/platform.h"

namespace trelmix::platform {

// The header's input record is the INPUT structure, so records go to
// SendInput as they are.
static_assert(sizeof(INPUT) == sizeof(InputRecord), "InputRecord is an INPUT");
static_assert(offsetof(INPUT, type) == offsetof(InputRecord, type), "INPUT.type");
static_assert(offsetof(INPUT, ki) == offsetof(InputRecord, u), "INPUT.ki");
static_assert(offsetof(INPUT, mi) == offsetof(InputRecord, u), "INPUT.mi");
static_assert(sizeof(MOUSEINPUT) == sizeof(MouseInputRecord), "MOUSEINPUT");
static_assert(sizeof(KEYBDINPUT) <= sizeof(MouseInputRecord), "KEYBDINPUT fits the union");
static_assert(offsetof(KEYBDINPUT, wVk) == offsetof(KeyboardInputRecord, virtualKey), "wVk");
static_assert(offsetof(KEYBDINPUT, wScan) == offsetof(KeyboardInputRecord, scanCode), "wScan");
static_assert(offsetof(KEYBDINPUT, dwFlags) == offsetof(KeyboardInputRecord, flags), "dwFlags");
static_assert(offsetof(KEYBDINPUT, time) == offsetof(KeyboardInputRecord, time), "time");
static_assert(offsetof(KEYBDINPUT, dwExtraInfo) == offsetof(KeyboardInputRecord, extraInfo), "dwExtraInfo");
static_assert(INPUT_KEYBOARD == TRLM_INPUT_KEYBOARD && KEYEVENTF_KEYUP == TRLM_KEY_UP, "input constants");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

class Win32Backend final : public Backend {
public:
    void ReportEvent(std::u16string_view source, std::u16string_view message) override {
        // Copies: the views need not be NUL-terminated.
        const std::wstring name(source.begin(), source.end());
        const std::wstring text(message.begin(), message.end());
        HANDLE log = RegisterEventSourceW(nullptr, name.c_str());
        if (!log) return;
        LPCWSTR strings[1] = {text.c_str()};
        ReportEventW(log, EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(log);
    }

    bool PathExists(const char16_t* path) override { return PathFileExistsW(Wide(path)) != FALSE; }

    bool ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) override {
        // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open.
        Handle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) return false;
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return false;
        }
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
        if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return false;
        bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const std::size_t left = bytes.size() - done;
            const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
            DWORD read = 0;
            if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return false;
            if (read == 0) break;  // the file shrank meanwhile: take what is there
            done += read;
        }
        bytes.resize(done);
        return true;
    }

    void SendInput(std::uint32_t count, const InputRecord* records) override {
        if (count == 0) return;
        ::SendInput(count, reinterpret_cast<INPUT*>(const_cast<InputRecord*>(records)), sizeof(INPUT));
    }

    std::uint32_t MapVirtualKey(std::uint32_t virtualKey) override { return MapVirtualKeyW(virtualKey, 0); }

    std::int16_t VkKeyScan(char16_t character) override { return VkKeyScanW(static_cast<WCHAR>(character)); }

    bool CapsLockOn() override { return (GetKeyState(20) & 1) != 0; }

    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

    int MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                        int outSize) override {
        if (!bytes || count <= 0) return 0;  // -1 would mean NUL-terminated
        return MultiByteToWideChar(codePage, 0, reinterpret_cast<LPCCH>(bytes), count, reinterpret_cast<LPWSTR>(out),
                                   out ? outSize : 0);
    }
};

}  // namespace

Backend& Native() {
    static Win32Backend backend;
    return backend;
}

}  // namespace trelmix::platform

#if defined(__GLIBCXX__)
// MinGW's C++ runtime keeps a thread's exception state in emulated TLS, made
// at the thread's first throw; when that allocation fails it aborts, so the
// first std::bad_alloc of a thread whose memory has run out would end the
// host. The state is made here instead, while memory is plentiful: for the
// thread that loads the DLL and every thread started after. (A thread older
// than the DLL still makes it at its first throw.)
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    // Declared const: only a use of the result keeps the call (never null).
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_THREAD_ATTACH) return abi::__cxa_get_globals() != nullptr;
    return TRUE;
}
#endif
