// The send actions' cases are conformance cases; here what only a host
// linking the library sees: the platform hooks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/recording.h"
#include "support.h"

#if !defined(_WIN32)
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

}  // namespace
}  // namespace trelmix
#endif
