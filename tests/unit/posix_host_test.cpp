// What only a host linking the POSIX library sees: the platform hooks, the
// events through syslog, and script paths that are not regular files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/recording.h"
#include "support.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
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
    const std::filesystem::path fifo = std::filesystem::temp_directory_path() /
                                       ("trelmix-fifo-" + std::to_string(getpid()));
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

}  // namespace
}  // namespace trelmix
#endif
