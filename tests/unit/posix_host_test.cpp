// What only a host linking the POSIX library sees: the platform hooks, the
// events through syslog, and script paths that are not regular files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/simulated/simulated_host.h"
#include "support.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>

// The test program stands in for the C library's syslog functions, so the
// engine linked into it calls these.
namespace {
struct SyslogCalls {
    int opens = 0;
    int closes = 0;
    std::vector<std::pair<int, std::string>> messages;
} syslogCalls;

void Record(int priority, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    syslogCalls.messages.emplace_back(priority, text);
}
}  // namespace

extern "C" void openlog(const char*, int, int) { ++syslogCalls.opens; }
extern "C" void closelog() { ++syslogCalls.closes; }
extern "C" void syslog(int priority, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Record(priority, format, args);
    va_end(args);
}
extern "C" void __syslog_chk(int priority, int, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Record(priority, format, args);
    va_end(args);
}

namespace trelmix {
namespace {

using test::Harness;
using test::OneRule;

// A Linux host stands in for SendInput, the Caps Lock state and the event log.
TEST(PlatformHooks, HostReceivesInjectionsAndEvents) {
    struct Seen {
        std::vector<std::vector<std::uint16_t>> injections;  // virtual key, flags, per record
        std::vector<std::u16string> events;
        int capsQueries = 0;
    } seen;
    PlatformHooks hooks{};
    hooks.inputSink = [](void* ctx, const InputRecord* records, std::uint32_t count) {
        auto& injection = static_cast<Seen*>(ctx)->injections.emplace_back();
        for (std::uint32_t i = 0; i < count; ++i) {
            injection.push_back(records[i].u.keyboard.virtualKey);
            injection.push_back(static_cast<std::uint16_t>(records[i].u.keyboard.flags));
        }
    };
    hooks.capsLockQuery = [](void* ctx) { return ++static_cast<Seen*>(ctx)->capsQueries, 1; };
    hooks.eventSink = [](void* ctx, const TrelmixChar* source, const TrelmixChar* message) {
        static_cast<Seen*>(ctx)->events.push_back(std::u16string(source) + u":" + message);
    };
    hooks.context = &seen;
    platform::RecordingPlatform host;  // not installed: only its emulator and transmit object
    {
        test::Installed<TRLM_SetPlatformHooks> hooked(&hooks);
        test::Installed<TRLM_SetTransmitObject> transmit(&host.transmit);
        Harness h(OneRule("", "SEND_FUNC(5)\nSEND_ALL"), true);
        ASSERT_TRUE(h.assigned);
        h.Run("x");
    }

    const std::vector<std::vector<std::uint16_t>> expected = {{116, 0, 116, 2}, {20, 0, 20, 2}, {20, 0, 20, 2}};
    EXPECT_EQ(seen.injections, expected);
    EXPECT_EQ(seen.capsQueries, 1);
    ASSERT_EQ(host.output.size(), 1u);
    EXPECT_EQ(host.output[0].unit, u'x');
    ASSERT_EQ(seen.events.size(), 1u);
    EXPECT_EQ(seen.events[0], u"TRELMIX:\r\n\r\nSIMULATED HID KEYBOARD TRELM SCRIPT LOADED SUCCESSFULLY.");
}

// Without an event sink: syslog, through the host's own settings.
TEST(PosixEvents, GoToSyslogWithoutTouchingTheHostsSettings) {
    syslogCalls = {};
    {
        Harness h("BEGIN_RULE\nEND_RULE\n");
        ASSERT_TRUE(h.assigned);
        EXPECT_FALSE(h.Assign("END_RULE"));
    }
    EXPECT_EQ(syslogCalls.opens, 0);
    EXPECT_EQ(syslogCalls.closes, 0);
    const std::vector<std::pair<int, std::string>> expected = {
        {LOG_INFO, "TRELMIX: APPLICATION TRELM SCRIPT LOADED SUCCESSFULLY."},
        {LOG_INFO, "TRELMIX: APPLICATION TRELM SCRIPT ERROR DETECTED."},
    };
    EXPECT_EQ(syslogCalls.messages, expected);
}

// A path naming a FIFO is refused at once (opening it would wait for a
// writer); the id keeps its script.
TEST(PosixScriptPaths, AFifoIsRefusedWithoutBlocking) {
    const std::filesystem::path fifo =
        std::filesystem::temp_directory_path() / ("trelmix-fifo-" + std::to_string(getpid()));
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    platform::ScopedRecording rec;
    Harness h(OneRule("", "APPEND('!')"));
    ASSERT_TRUE(h.assigned);
    auto assigned = std::async(std::launch::async, [&] { return h.Assign(fifo.string()); });
    const bool returned = assigned.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    EXPECT_TRUE(returned) << "assigning a FIFO's path blocks";
    if (!returned) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // let the blocked open return
    EXPECT_FALSE(assigned.get());
    EXPECT_EQ(h.Run("a").data, "a!");
    std::filesystem::remove(fifo);
}

// The native backend itself: a sleep and a file read that start with errno
// already EINTR (left by anything before it), and each row of the code page names.
TEST(PosixBackend, ReadsWhateverErrnoHoldsAndDecodesEveryNamedCodePage) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("trelmix-read-" + std::to_string(getpid()));
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        std::fputs("BEGIN_RULE", f);
        std::fclose(f);
    }
    const std::u16string path = test::U16(file.string());
    std::vector<std::uint8_t> bytes;
    errno = EINTR;
    platform::Native().Sleep(1);  // returns, and leaves errno as it was
    EXPECT_TRUE(platform::Native().ReadFile(path.c_str(), 100, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "BEGIN_RULE");
    std::filesystem::remove(file);
    // A file whose size says 0 but that has bytes (/proc) is read to its end.
    std::ifstream version("/proc/version", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(version), {}};
    EXPECT_TRUE(platform::Native().ReadFile(u"/proc/version", 4096, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(platform::Native().ReadFile(u"/proc/version", text.size() - 1, bytes));
    EXPECT_FALSE(platform::Native().ReadFile(u"/proc/self/mem", 4096, bytes));  // a read that fails
    // One whose size says 4096 and whose read fails (EIO where runtime power management has no autosuspend).
    const char* const failing = "/sys/devices/system/cpu/power/autosuspend_delay_ms";
    if (std::FILE* f = std::fopen(failing, "rb")) {
        char buffer[64];
        const bool fails = std::fread(buffer, 1, sizeof buffer, f) == 0 && std::ferror(f);
        std::fclose(f);
        EXPECT_EQ(platform::Native().ReadFile(test::U16(failing).c_str(), 4096, bytes), !fails);
    }
    // One whose size says more than it holds (sysfs says 4096) gives what it holds.
    std::ifstream online("/sys/devices/system/cpu/online", std::ios::binary);
    errno = EINTR;
    EXPECT_TRUE(platform::Native().ReadFile(u"/sys/devices/system/cpu/online", 4096, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(std::istreambuf_iterator<char>(online), {}));

    const auto decode = [](std::uint32_t codePage, std::string in, int room = 8) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(in.data());
        const int length = static_cast<int>(in.size());
        char16_t out[8] = {};
        const int size = platform::Native().MultiByteToWide(codePage, bytes, length, nullptr, 0);  // asked first
        const int n = platform::Native().MultiByteToWide(codePage, bytes, length, out, room);
        EXPECT_TRUE(size > room || n == size) << codePage;
        return std::u16string(out, static_cast<std::size_t>(n < 0 ? 0 : n));
    };
    struct Row {
        std::uint32_t codePage;
        const char* bytes;
        std::u16string text;
    };
    const Row rows[] = {
        {0, "\x80", u"\u20AC"},       {3, "\x81", u"\u0081"},
        {1252, "\x9F", u"\u0178"},    {1, "\x80", u"\u00C7"},
        {2, "\x80", u"\u00C4"},       {10000, "\x80", u"\u00C4"},
        {20127, "A\x80", u"A\uFFFD"}, {20866, "\xC1", u"\u0430"},
        {21866, "\xA4", u"\u0454"},   {65001, "\xC3\xA9\xFF", u"\u00E9\uFFFD"},
        {28591, "\xA4", u"\u00A4"},   {28605, "\xA4", u"\u20AC"},
        {28606, "\xA1", u"\u0104"},   {1251, "\xC0", u"\u0410"},
        {437, "\x80", u"\u00C7"},     {99999, "A", u""},
    };
    for (const Row& r : rows) EXPECT_EQ(decode(r.codePage, r.bytes), r.text) << r.codePage;
    EXPECT_EQ(decode(1251, "abc", 2), u"");  // too little room: nothing
}

}  // namespace
}  // namespace trelmix
#endif
