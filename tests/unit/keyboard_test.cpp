#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "keyboard/emulation.h"
#include "keyboard/transmit.h"
#include "keyboard_support.h"
#include "platform/platform.h"
#include "platform/simulated/simulated_host.h"
#include "support.h"

namespace trelmix {
namespace {

using platform::RecordingPlatform;
using test::Render;

ByteArg Text(std::string_view s, bool isNumber = false) {
    ByteArg a;
    a.bytes.assign(s.begin(), s.end());
    a.isNumber = isNumber;
    return a;
}

// A recording platform whose ANSI code page is not Windows-1252: 0x80 is
// U+00C7, 0x81 does not decode, 0x82 leads a two-byte character; it also
// notes the code page of every request.
class OtherAnsiPlatform final : public RecordingPlatform {
public:
    std::vector<std::uint32_t> codePages;

    int MultiByteToWide(std::uint32_t cp, const std::uint8_t* bytes, int count, char16_t* out, int size) override {
        codePages.push_back(cp);
        if (cp != 0) return RecordingPlatform::MultiByteToWide(cp, bytes, count, out, size);
        std::u16string units;
        for (int i = 0; i < count; ++i) {
            if (bytes[i] == 0x81) return 0;
            if (bytes[i] == 0x82 && i + 1 < count) {
                units += u'\u3042';
                ++i;
            } else {
                units += bytes[i] == 0x80 ? u'\u00C7' : static_cast<char16_t>(bytes[i]);
            }
        }
        if (!out) return static_cast<int>(units.size());
        if (size < static_cast<int>(units.size())) return 0;
        std::copy(units.begin(), units.end(), out);
        return static_cast<int>(units.size());
    }
};

// Installs a recording platform and its transmit object for one test.
class Keyboard : public ::testing::Test {
protected:
    platform::ScopedRecording scoped;
    RecordingPlatform& rec = scoped.recording;
    KeyboardEmulator& emulator = rec.host.emulator;
    test::Installed<SetTransmitObject> transmit{&rec.transmit};
};

// Every record is cleared before a press, whatever the host left in it; a
// key list ends at its first -1.
TEST_F(Keyboard, RecordsAreClearedAndKeyListsEndAtMinusOne) {
    for (const bool chord : {false, true}) {
        rec.output.clear();
        std::memset(emulator.records, 0xAB, sizeof emulator.records);
        chord ? PressChord(emulator, KeyList({18, -1, 70})) : TapKeys(emulator, KeyList({9, -1, 13}));
        EXPECT_EQ(Render(rec, true), chord ? "<d18/0 u18/0>" : "<d9/0 u9/0>");
        for (const InputRecord& r : emulator.records) {
            EXPECT_EQ(r.u.keyboard.time | r.u.keyboard.extraInfo, 0u);
            EXPECT_TRUE(&r < emulator.records + 2 || (r.type | r.u.keyboard.virtualKey) == 0);
        }
    }
}

// ---- text -----------------------------------------------------------------------------

TEST_F(Keyboard, AltPrefixTable) {
    const struct {
        std::uint8_t byte;
        const char* chord;  // empty: nothing pressed
    } cases[] = {
        {'A', "<d18 d65 u65 u18>"},
        {'Z', "<d18 d90 u90 u18>"},
        {'2', "<d18 d50 u50 u18>"},
        {'6', "<d18 d54 u54 u18>"},
        {'-', "<d18 d189 u189 u18>"},
        {'@', "<d18 d16 d50 u50 u16 u18>"},
        {'[', "<d18 d219 u219 u18>"},
        {'\\', "<d18 d220 u220 u18>"},
        {']', "<d18 d221 u221 u18>"},
        {'a', ""},
        {'1', ""},
        {'%', ""},
        {'_', ""},
        {0x00, ""},
        {0xC1, ""},
    };
    for (const auto& c : cases) {
        rec.output.clear();
        SendAltSequence(c.byte);
        EXPECT_EQ(Render(rec), c.chord) << int(c.byte);
    }
}

TEST(KeyboardCodePage, TextEncodingChoosesWindows1252OrTheAnsiPage) {
    OtherAnsiPlatform p;
    test::Installed<platform::Install> backend(&p);
    test::Installed<SetTransmitObject> transmit(&p.transmit);
    const struct {
        std::uint32_t textEncoding;
        const char* bytes;
        std::uint32_t codePage;
        const char* output;
    } cases[] = {
        {1, "\x80", 1252, "U+20AC"}, {3, "\x80", 1252, "U+20AC"}, {0, "\x80", 0, "U+00C7"},
        {2, "\x80", 0, "U+00C7"},    {0, "a\x81", 0, ""},  // does not decode: nothing typed
        {0, "a\x82\x41", 0, ""},                           // a two-byte character: nothing typed at all
    };
    for (const auto& c : cases) {
        p.output.clear();
        p.codePages.clear();
        p.transmit.textEncoding = c.textEncoding;
        SendText(reinterpret_cast<const std::uint8_t*>(c.bytes), static_cast<std::int32_t>(std::strlen(c.bytes)));
        EXPECT_EQ(Render(p), c.output) << c.textEncoding << " " << c.bytes;
        ASSERT_FALSE(p.codePages.empty());
        EXPECT_EQ(p.codePages[0], c.codePage);
    }
    // A single character is always decoded in the ANSI page, and a byte that
    // does not decode is skipped.
    p.output.clear();
    p.transmit.textEncoding = 1;
    TypeAsciiArgument(Text("\x80\x81z"));
    EXPECT_EQ(Render(p), "U+00C7 z");
}

// ---- what presses nothing -----------------------------------------------------------------

// An emulator without an operations table, one without TypeCharacter, or no
// emulator at all: nothing is pressed or typed where the host's own presses.
TEST_F(Keyboard, AnEmulatorThatCannotTypePressesNothingEither) {
    test::Harness h(test::OneRule("", "SEND_FUNC(5)\nSEND_EXTN('RET')\nSEND_CTRL('c')\nSEND_ALL"), true);
    const KeyboardEmulatorOperations noTypeCharacter = {nullptr, nullptr}, *own = emulator.operations;
    for (int c = 0; c < 4; ++c) {
        emulator.operations = c == 1 ? nullptr : c == 2 ? &noTypeCharacter : own;
        rec.transmit.emulator = c == 3 ? nullptr : &emulator;
        rec.output.clear();
        h.Run(std::string("\x12") + "Ab");
        EXPECT_EQ(Render(rec), c ? "" : "<d116 u116> <d13 u13> <d17 d67 u67 u17> <d18 d65 u65 u18> b") << c;
    }
    rec.transmit.emulator = &emulator;
}

}  // namespace
}  // namespace trelmix
