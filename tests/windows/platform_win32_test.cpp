// The Win32 backend on a Windows system (here: under Wine, which answers as
// Windows does for a US layout and code page 1252).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "unit/support.h"

namespace trelmix {
namespace {

using platform::Native;

// The Windows path of a file in the test build tree (Wine maps / to Z:).
std::wstring BuildPath(const wchar_t* name) {
    std::string dir = TRELMIX_TEST_BINARY_DIR;
    std::wstring path = dir.starts_with('/') ? L"Z:" : L"";
    for (char c : dir) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return path + L"\\" + name;
}

const char16_t* U(const std::wstring& s) { return reinterpret_cast<const char16_t*>(s.c_str()); }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(h);
}

TEST(Win32Backend, DecodesCodePage1252AndTheAnsiCodePage) {
    const std::uint8_t bytes[] = {'A', 0x80, 0xE9, 0x9F, 0x81};
    const std::u16string want = {u'A', 0x20AC, 0xE9, 0x0178, 0x0081};
    for (std::uint32_t codePage : {1252u, 0u}) {
        EXPECT_EQ(Native().MultiByteToWide(codePage, bytes, 5, nullptr, 0), 5) << codePage;
        char16_t out[5] = {};
        ASSERT_EQ(Native().MultiByteToWide(codePage, bytes, 5, out, 5), 5) << codePage;
        EXPECT_EQ(std::u16string(out, 5), want) << codePage;
    }
    char16_t small[2];
    EXPECT_EQ(Native().MultiByteToWide(1252, bytes, 5, small, 2), 0);  // too small: nothing
    EXPECT_EQ(Native().MultiByteToWide(1252, bytes, 0, small, 2), 0);
    EXPECT_FALSE(Native().CapsLockOn());  // the layout's answers: unit/platform_test.cpp
}

TEST(Win32Backend, ReadsFilesThroughWindowsPaths) {
    const std::wstring path = BuildPath(L"win32_backend_script.txt");
    const std::string text = "BEGIN_RULE\r\nBEGIN_ACTION\r\nAPPEND('\xE9')\r\nEND_ACTION\r\nEND_RULE\r\n";
    WriteBytes(path, text);

    EXPECT_TRUE(Native().PathExists(U(path)));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(Native().ReadFile(U(path), 1024, bytes));
    EXPECT_EQ(test::Str(bytes), text);

    // Another process may hold the file open for writing.
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Native().ReadFile(U(path), 1024, bytes));
    CloseHandle(writer);

    const std::wstring dir = BuildPath(L"");
    EXPECT_TRUE(Native().PathExists(U(dir)));
    EXPECT_FALSE(Native().ReadFile(U(dir), 1024, bytes));  // a directory
    const std::wstring missing = BuildPath(L"no such script.txt");
    EXPECT_FALSE(Native().PathExists(U(missing)));
    EXPECT_FALSE(Native().ReadFile(U(missing), 1024, bytes));

    // Through the exports, as a host assigns a script file.
    const HostId id = test::AppId(41);
    std::wstring assign = path;
    ASSERT_TRUE(TRLM_AssignScript(&id, assign.data()));
    std::uint8_t buffer[8] = {'x'};
    const ExecuteResult r = TRLM_ExecuteInto(&id, buffer, 1, sizeof buffer, 0, 0);
    EXPECT_EQ(r.status, TRLM_STATUS_APPLIED);
    EXPECT_EQ(std::string(buffer, buffer + r.length), "x\xE9");
    std::wstring empty;
    TRLM_AssignScript(&id, empty.data());
    DeleteFileW(path.c_str());
}

TEST(Win32Backend, WritesEventsAndInjectsWithoutFailing) {
    Native().ReportEvent(u"TRELMIX", u"Win32 backend test event");
    InputRecord none[1] = {};
    Native().SendInput(0, none);
    Native().Sleep(1);
}

}  // namespace
}  // namespace trelmix
