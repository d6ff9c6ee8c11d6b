// Scripts and records built to hurt: each compiles or runs in bounded time and
// memory, or is refused with a clear outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/simulated/simulated_host.h"
#include "support.h"

namespace trelmix {
namespace {

TEST(Hostile, FiftyMegabyteScript) {
    platform::ScopedRecording quiet;
    const std::string rule =
        "BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(7)\nEND_CRITERIA\nBEGIN_ACTION\nAPPEND('x')\nEND_ACTION\nEND_RULE\n";
    const std::string comment = "; " + std::string(1000, '-') + "\n";
    std::string script;
    script.reserve(50u << 20);
    while (script.size() < (50u << 20)) {
        script += rule;
        for (int i = 0; i < 20; ++i) script += comment;
    }
    test::Harness h(script + test::OneRule("", "APPEND('!')"));
    ASSERT_TRUE(h.assigned);
    EXPECT_EQ(h.Run("a", 1).data, "a!");
}

TEST(Hostile, TenMillionCharacterLine) {
    platform::ScopedRecording quiet;
    const std::string text(10'000'000, 'z');
    test::Harness h(test::OneRule("", "APPEND('" + text + "')"));
    ASSERT_TRUE(h.assigned);
    std::vector<std::uint8_t> buffer(10'000'010);
    buffer[0] = 'a';
    const ExecuteResult r =
        TRLM_ExecuteInto(&h.id(), buffer.data(), 1, static_cast<std::uint32_t>(buffer.size()), 0, 0);
    EXPECT_EQ(r.status, TRLM_STATUS_APPLIED);
    EXPECT_EQ(r.length, 10'000'001u);
    // The same line as a comment is simply ignored.
    EXPECT_TRUE(h.Assign("#" + text));
}

TEST(Hostile, HundredThousandRulesAllTried) {
    platform::ScopedRecording quiet;
    std::string script;
    for (int i = 0; i < 100'000; ++i) {
        script += "BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(" + std::to_string(i + 1000) +
                  ")\nEND_CRITERIA\nBEGIN_ACTION\nAPPEND('x')\nEND_ACTION\nEND_RULE\n";
    }
    test::Harness h(script);
    ASSERT_TRUE(h.assigned);
    EXPECT_EQ(h.Run("a", 1).data, "a");         // no rule applies
    EXPECT_EQ(h.Run("a", 100'999).data, "ax");  // the last one does
}

std::string Doublings(int times, std::uint32_t start) {
    std::string actions;
    for (std::uint32_t n = start, i = 0; i < static_cast<std::uint32_t>(times); ++i, n *= 2) {
        actions += "PAD_SPACES(" + std::to_string(n) + ")\n";
    }
    return actions;
}

TEST(Hostile, PaddingThatDoublesTheRecord) {
    test::Harness twenty(test::OneRule("", Doublings(20, 10)));
    std::vector<std::uint8_t> buffer(10u << 20);
    std::fill_n(buffer.begin(), 10, 'd');
    ExecuteResult r =
        TRLM_ExecuteInto(&twenty.id(), buffer.data(), 10, static_cast<std::uint32_t>(buffer.size()), 0, 0);
    EXPECT_EQ(r.status, TRLM_STATUS_APPLIED);
    EXPECT_EQ(r.length, 10u << 20);

    // Thirty doublings would pass the 64 MiB record limit: refused, untouched.
    test::Harness thirty(test::OneRule("", Doublings(30, 10)));
    r = TRLM_ExecuteInto(&thirty.id(), buffer.data(), 10, static_cast<std::uint32_t>(buffer.size()), 0, 0);
    EXPECT_EQ(r.status, TRLM_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(r.length, 10u);
}

TEST(Hostile, ScriptFileBeyondTheLimitIsRefused) {
    platform::ScopedRecording quiet;
    const auto path = std::filesystem::temp_directory_path() / "trelmix-huge.trelmix";
    {
        std::ofstream f(path, std::ios::binary);
        f << "BEGIN_RULE\n";
    }
    std::filesystem::resize_file(path, (256u << 20) + 1);  // sparse: nothing is written
    test::Harness h(test::OneRule("", "APPEND('!')"));
    EXPECT_FALSE(h.Assign(path.string()));
    EXPECT_EQ(h.Run("a").data, "a!");  // the earlier script stays
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace trelmix
