// The backends' own answers: the tables of the POSIX and recording backends
// and, in the Windows build under Wine, Windows itself, held to what Windows
// answers (data/windows-us-1252.txt); and the native backend's sleep and file
// size limit.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/simulated/simulated_host.h"
#include "platform/utf.h"

namespace trelmix {
namespace {

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

// One line per answer that differs from Windows', so a failure lists them all.
std::string DifferencesFromWindows(platform::Backend& backend) {
    std::ifstream file(TRELMIX_TEST_DATA_DIR "/windows-us-1252.txt");
    std::string differences;
    std::string line;
    int answers = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string question;
        unsigned first = 0;
        fields >> question >> std::hex >> first;
        fields.ignore(1);  // the colon
        unsigned want = 0;
        for (unsigned input = first; fields >> want; ++input, ++answers) {
            const auto byte = static_cast<std::uint8_t>(input);
            char16_t unit = 0;
            const unsigned got = question == "vk"   ? static_cast<std::uint16_t>(backend.VkKeyScan(byte))
                                 : question == "sc" ? backend.MapVirtualKey(input)
                                 : backend.MultiByteToWide(1252, &byte, 1, &unit, 1) == 1 ? unit
                                                                                          : 0xFFFFFFFFu;
            if (got != want)
                differences += "\n  " + question + " " + Hex(input) + ": " + Hex(got) + ", Windows " + Hex(want);
        }
    }
    EXPECT_EQ(answers, 3 * 256);
    const std::uint8_t two[] = {'a', 0x80};
    char16_t one[1] = {};
    if (backend.MultiByteToWide(1252, two, 2, one, 1) != 0) differences += "\n  two bytes into room for one: not 0";
    return differences;
}

TEST(PlatformAnswers, UsLayoutAndCodePage1252AsWindowsGivesThem) {
    platform::RecordingPlatform recording;
    EXPECT_EQ(DifferencesFromWindows(recording), "");
    EXPECT_EQ(DifferencesFromWindows(platform::Native()), "");
}

TEST(NativeBackend, ReadsAFileOfExactlyTheLimit) {
#if defined(_WIN32)
    const std::filesystem::path path = std::filesystem::temp_directory_path() / u"trelmix-limit.txt";
#else  // the name goes to the system as UTF-8, a surrogate pair as one character
    const std::filesystem::path path = std::filesystem::temp_directory_path() / u"trelmix-limit-\u00E9\U0001F600.txt";
#endif
    std::ofstream(path, std::ios::binary) << "12345";
    const std::u16string name = path.u16string();
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(platform::Native().ReadFile(name.c_str(), 5, bytes));
    EXPECT_EQ(bytes.size(), 5u);
    EXPECT_FALSE(platform::Native().ReadFile(name.c_str(), 4, bytes));
    std::filesystem::remove(path);
}

#if !defined(_WIN32)
// Paths and syslog messages: a pair is one character, a lone surrogate U+FFFD.
TEST(NativeBackend, Utf8OfPairsAndLoneSurrogates) {
    EXPECT_EQ(platform::ToUtf8(u"a\U0001F600\U0010FFFF\u00E9"), "a\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xC3\xA9");
    const std::u16string lone = {0xD800, 0xE000, 0xDC00, 0xD800};
    EXPECT_EQ(platform::ToUtf8(lone), "\xEF\xBF\xBD\xEE\x80\x80\xEF\xBF\xBD\xEF\xBF\xBD");
    // A file name's U+DC80..U+DCFF are the bytes of a name that is not UTF-8.
    EXPECT_EQ(platform::ToFileName(std::u16string{u'a', 0xDCE9, 0xDCFF, 0xDC7F}), "a\xE9\xFF\xEF\xBF\xBD");
}

#endif

}  // namespace
}  // namespace trelmix
