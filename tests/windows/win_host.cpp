// A Windows scanner host's view of the plug-in: it loads trelmix.dll at run
// time (LoadLibraryW, GetProcAddress by the plain export names), assigns
// scripts inline and from a file, hands over a TransmitObject whose emulator
// records every TypeCharacter call, and checks each result and what was typed.
// Usage: win_host [path of trelmix.dll]   (default: the DLL beside the program)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "trelmix/trelmix.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what, const char* context, int line) {
    if (ok) return;
    std::fprintf(stderr, "win_host.cpp:%d: check failed: %s%s%s\n", line, what, *context ? " -- " : "", context);
    ++failures;
}
#define CHECK_IN(cond, context) Check((cond), #cond, (context), __LINE__)

using AssignScriptFn = uint8_t(TRLM_CDECL*)(const HostId*, TrelmixChar*);
using IsRegisteredFn = uint8_t(TRLM_CDECL*)(const HostId*);
using ExecuteFn = ExecuteResult(TRLM_CDECL*)(const HostId*, uint8_t*, uint32_t, uint32_t, uint32_t);
using ExecuteIntoFn = ExecuteResult(TRLM_CDECL*)(const HostId*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t);
using SetTransmitObjectFn = void(TRLM_CDECL*)(TransmitObject*);

template <typename Fn>
Fn Export(HMODULE dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

struct Plugin {
    AssignScriptFn assign = nullptr;
    IsRegisteredFn isRegistered = nullptr;
    ExecuteFn execute = nullptr;
    ExecuteIntoFn executeInto = nullptr;
    SetTransmitObjectFn setTransmitObject = nullptr;

    bool Assign(const HostId& id, std::wstring text) { return assign(&id, text.data()) != 0; }
    bool Unassign(const HostId& id) { return Assign(id, L""); }
};

// The host's keyboard emulator. TypeCharacter receives the address of `base`,
// the first member, and records each unit with its typing context.
struct Emulator {
    KeyboardEmulator base{};
    std::wstring typed;
    std::vector<uint32_t> contexts;
};

int32_t TRLM_THISCALL TypeCharacter(KeyboardEmulator* self, uint32_t character, uint32_t context) {
    auto* emulator = reinterpret_cast<Emulator*>(self);
    emulator->typed.push_back(static_cast<wchar_t>(character));
    emulator->contexts.push_back(context);
    return 1;
}

const KeyboardEmulatorOperations kOperations = {nullptr, TypeCharacter};
constexpr uint32_t kTypingContext = 0x5A17;

HostId AppId(uint8_t n) { return HostId{0x5CA77E00u + n, 0x0102, 0x0304, {5, 6, 7, 8, 9, 10, 11, n}}; }

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (; *text; ++text) wide.push_back(static_cast<unsigned char>(*text));
    return wide;
}

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

bool WriteScriptFile(const std::wstring& path, const char* text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr) != FALSE;
    CloseHandle(file);
    return ok;
}

const char kCodeListScript[] =
    "BEGIN_RULE\n BEGIN_CRITERIA\n  CODE_LIST(3)\n END_CRITERIA\n"
    " BEGIN_ACTION\n  REMOVE_ZEROS\n  APPEND('&amp;')\n END_ACTION\nEND_RULE\n";

// One assignment and one record, as a host makes them (what the engine does
// with them is the conformance cases' business: here, that the DLL's calls work).
struct Case {
    const char* name;
    bool keyboard;  // under KeyboardClientId, else under an application id
    bool fromFile;  // written to a file and assigned by its path
    const char* script;
    const char* record;
    uint32_t codeType;
    int32_t status;
    const char* result;    // the record in the host's buffer afterwards
    const wchar_t* typed;  // what the emulator typed
};

const Case kCases[] = {
    {"inline application script", false, false, kCodeListScript, "0012345", 3, TRLM_STATUS_APPLIED, "12345&", L""},
    {"application script from a file", false, true,
     "BEGIN_RULE\r\nBEGIN_ACTION\r\nREPLACE_ALL('-', '')\r\nPREPEND('ID:')\r\nEND_ACTION\r\nEND_RULE\r\n", "12-34-56",
     0, TRLM_STATUS_APPLIED, "ID:123456", L""},
    {"application script: send keywords are comment lines", false, false,
     "BEGIN_RULE\nBEGIN_ACTION\nSEND_ALL\nAPPEND('!')\nEND_ACTION\nEND_RULE\n", "abc", 0, TRLM_STATUS_APPLIED, "abc!",
     L""},
    {"keyboard script typing the record in code page 1252", true, false,
     "BEGIN_RULE\nBEGIN_ACTION\nSEND_ALL\nEND_ACTION\nEND_RULE\n", "Ab1 \x80\xE9", 0, TRLM_STATUS_APPLIED,
     "Ab1 \x80\xE9", L"Ab1 \u20AC\u00E9"},
    {"keyboard script from a file: edits, then types", true, true,
     "BEGIN_RULE\r\nBEGIN_CRITERIA\r\nCODE_LIST(7)\r\nEND_CRITERIA\r\nBEGIN_ACTION\r\nREMOVE_ZEROS\r\n"
     "REPLACE_ALL('-', '')\r\nSEND_ALL\r\nEND_ACTION\r\nEND_RULE\r\n",
     "0012-34", 7, TRLM_STATUS_APPLIED, "1234", L"1234"},
};

void RunCase(Plugin& plugin, const Case& c, uint8_t number, const std::wstring& directory) {
    const HostId id = c.keyboard ? KeyboardClientId : AppId(number);
    std::wstring source = Widen(c.script);
    if (c.fromFile) {
        source = directory + L"win_host_script.txt";
        CHECK_IN(WriteScriptFile(source, c.script), c.name);
    }
    CHECK_IN(plugin.Assign(id, source), c.name);
    CHECK_IN(plugin.isRegistered(&id), c.name);

    Emulator emulator;
    emulator.base.operations = &kOperations;
    TransmitObject transmit{&emulator.base, 1, kTypingContext};
    plugin.setTransmitObject(&transmit);

    uint8_t buffer[256] = {};
    const uint32_t length = static_cast<uint32_t>(std::strlen(c.record));
    std::memcpy(buffer, c.record, length);
    const ExecuteResult r = plugin.execute(&id, buffer, length, c.codeType, 0);
    CHECK_IN(r.data == buffer && r.reserved1 == 0 && r.reserved2 == 0, c.name);
    CHECK_IN(r.status == c.status, c.name);
    CHECK_IN(std::string(reinterpret_cast<char*>(buffer), r.length) == c.result, c.name);
    CHECK_IN(emulator.typed == c.typed, c.name);
    for (uint32_t context : emulator.contexts) CHECK_IN(context == kTypingContext, c.name);

    plugin.setTransmitObject(nullptr);
    CHECK_IN(plugin.Unassign(id), c.name);
    CHECK_IN(!plugin.isRegistered(&id), c.name);
    if (c.fromFile) DeleteFileW(source.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::wstring directory = ProgramDirectory();
    const std::wstring dllPath = argc > 1 ? Widen(argv[1]) : directory + L"trelmix.dll";
    HMODULE dll = LoadLibraryW(dllPath.c_str());
    if (!dll) {
        std::fprintf(stderr, "win_host: cannot load %ls (error %lu)\n", dllPath.c_str(), GetLastError());
        return 1;
    }

    Plugin plugin;
    plugin.assign = Export<AssignScriptFn>(dll, "TRLM_AssignScript");
    plugin.isRegistered = Export<IsRegisteredFn>(dll, "TRLM_IsRegistered");
    plugin.execute = Export<ExecuteFn>(dll, "TRLM_Execute");
    plugin.executeInto = Export<ExecuteIntoFn>(dll, "TRLM_ExecuteInto");
    plugin.setTransmitObject = Export<SetTransmitObjectFn>(dll, "TRLM_SetTransmitObject");
    if (!plugin.assign || !plugin.isRegistered || !plugin.execute || !plugin.executeInto ||
        !plugin.setTransmitObject) {
        std::fprintf(stderr, "win_host: an export is missing\n");
        return 1;
    }
    uint8_t number = 1;
    for (const Case& c : kCases) RunCase(plugin, c, number++, directory);

    FreeLibrary(dll);
    if (failures == 0) std::printf("win_host: %zu cases passed\n", std::size(kCases));
    return failures == 0 ? 0 : 1;
}
