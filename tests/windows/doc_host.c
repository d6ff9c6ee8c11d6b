/* The Windows code of docs/integration.md as one host program: the
 * document's blocks (taken from it at build time) and the checks a host
 * would make with them, including what Event Viewer does with an event of
 * the TRELMIX source once the installer's registry value is set. Built for
 * both Windows targets, run under wine64 against the x64 DLL beside it (or
 * the DLL named by its one argument: the one in the release zip). */
#include "integration_snippets.c"

#include <stdio.h>
#include <string.h>

static int failures = 0;
#define CHECK(cond)                                                                \
    do {                                                                           \
        if (!(cond)) {                                                             \
            fprintf(stderr, "doc_host.c:%d: check failed: %s\n", __LINE__, #cond); \
            ++failures;                                                            \
        }                                                                          \
    } while (0)

/* Event Viewer: the message file named in the registry, loaded as data, and
 * event 0 formatted with the event's one insertion string. */
static void CheckEventViewerText(void) {
    const wchar_t* insertion = L"\r\n\r\nAPPLICATION TRELM SCRIPT LOADED SUCCESSFULLY.";
    wchar_t file[MAX_PATH], expanded[MAX_PATH], text[512];
    DWORD size = sizeof file;
    DWORD_PTR arguments[1];
    HMODULE messages;
    CHECK(RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\TRELMIX",
                       L"EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, NULL, file, &size) == ERROR_SUCCESS);
    CHECK(ExpandEnvironmentStringsW(file, expanded, MAX_PATH) > 0);
    messages = LoadLibraryExW(expanded, NULL, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(messages != NULL);
    arguments[0] = (DWORD_PTR)insertion;
    CHECK(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, messages, 0, 0, text,
                         sizeof text / sizeof text[0], (va_list*)arguments) == wcslen(insertion));
    CHECK(wcscmp(text, insertion) == 0);
    if (messages) FreeLibrary(messages);
}

/* A script file with CR LF lines, assigned by its path through the
 * document's AssignFile; a path naming nothing is refused. */
static void CheckScriptFile(const wchar_t* directory, const HostId* app) {
    static const char text[] = "BEGIN_RULE\r\nBEGIN_ACTION\r\nREPLACE_ALL('-', '')\r\nEND_ACTION\r\nEND_RULE\r\n";
    wchar_t path[MAX_PATH];
    uint8_t record[8] = "12-34";
    uint32_t length = 5;
    DWORD written = 0;
    HANDLE file;
    wcscpy(path, directory);
    wcscat(path, L"doc_host_script.txt");
    file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    CHECK(file != INVALID_HANDLE_VALUE && WriteFile(file, text, sizeof text - 1, &written, NULL));
    CloseHandle(file);
    CHECK(AssignFile(app, path));
    CHECK(FormatForApplication(app, record, &length, sizeof record, 0) == TRLM_STATUS_APPLIED);
    CHECK(length == 4 && memcmp(record, "1234", 4) == 0);
    DeleteFileW(path);
    CHECK(!AssignFile(app, path) && TRLM_IsRegistered(app));
}

int main(int argc, char** argv) {
    wchar_t dll[MAX_PATH], directory[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, dll, MAX_PATH);
    Trelmix trelmix;
    HostEmulator emulator;
    uint8_t record[16] = "0012345";
    const HostId app = {0xD0C05000u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    wchar_t appScript[] = L"BEGIN_RULE\nBEGIN_ACTION\nPREPEND('ID:')\nEND_ACTION\nEND_RULE\n";
    uint32_t length = 2;

    while (n > 0 && dll[n - 1] != L'\\' && dll[n - 1] != L'/') --n;
    wcscpy(dll + n, L"trelmix.dll");
    wcsncpy(directory, dll, n);
    directory[n] = 0;
    if (argc > 1) MultiByteToWideChar(CP_ACP, 0, argv[1], -1, dll, MAX_PATH);
    if (!LoadTrelmix(dll, &trelmix)) {
        fprintf(stderr, "doc_host: cannot load %ls\n", dll);
        return 1;
    }
    memset(&emulator, 0, sizeof emulator);
    CHECK(FormatAndType(&trelmix, &emulator, record, 7, sizeof record) == 6);
    CHECK(memcmp(record, "12345&", 6) == 0 && wcscmp(emulator.typed, L"12345&") == 0);
    CHECK(trelmix.IsRegistered(&KeyboardClientId));
    /* The record's bytes typed as Windows-1252 text: 0x80 is the euro sign. */
    memset(&emulator, 0, sizeof emulator);
    memcpy(record, "0\x80\xE9", 3);
    CHECK(FormatAndType(&trelmix, &emulator, record, 3, sizeof record) == 3);
    CHECK(wcscmp(emulator.typed, L"\u20AC\u00E9&") == 0);

    /* The same DLL through its import library. */
    CHECK(TRLM_AssignScript(&app, appScript));
    memcpy(record, "42", 2);
    CHECK(FormatForApplication(&app, record, &length, sizeof record, 0) == TRLM_STATUS_APPLIED);
    CHECK(length == 5 && memcmp(record, "ID:42", 5) == 0);
    CheckScriptFile(directory, &app);

    CHECK(RegisterTrelmixEventSource(dll) == ERROR_SUCCESS);
    CheckEventViewerText();

    FreeLibrary(trelmix.dll);
    if (failures == 0) printf("doc_host: the integration guide's code works\n");
    return failures == 0 ? 0 : 1;
}
