// The tables the POSIX and recording backends use in place of Windows, held
// against what Windows answers (here: Wine's US layout and code page 1252).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/us_layout.h"

namespace trelmix::platform {
namespace {

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

// One line per difference, so a failure lists them all.
TEST(UsLayoutTables, VkKeyScanAgreesWithWindows) {
    std::string differences;
    for (unsigned c = 0; c <= 0xFF; ++c) {
        const auto table = static_cast<std::uint16_t>(UsVkKeyScan(static_cast<char16_t>(c)));
        const auto windows = static_cast<std::uint16_t>(Native().VkKeyScan(static_cast<char16_t>(c)));
        if (table != windows) differences += "\n  U+" + Hex(c) + ": table " + Hex(table) + ", Windows " + Hex(windows);
    }
    EXPECT_EQ(differences, "");
}

TEST(UsLayoutTables, ScanCodesAgreeWithWindows) {
    std::string differences;
    for (unsigned vk = 0; vk <= 0xFF; ++vk) {
        const std::uint32_t table = UsScanCode(vk);
        const std::uint32_t windows = Native().MapVirtualKey(vk);
        if (table != windows) differences += "\n  vk " + Hex(vk) + ": table " + Hex(table) + ", Windows " + Hex(windows);
    }
    EXPECT_EQ(differences, "");
}

TEST(UsLayoutTables, Cp1252AgreesWithWindows) {
    std::string differences;
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        char16_t windows = 0;
        const int n = Native().MultiByteToWide(1252, &byte, 1, &windows, 1);
        if (n != 1 || DecodeCp1252(byte) != windows) {
            differences += "\n  byte " + Hex(b) + ": table " + Hex(DecodeCp1252(byte)) + ", Windows " + Hex(windows);
        }
    }
    EXPECT_EQ(differences, "");
}

}  // namespace
}  // namespace trelmix::platform
