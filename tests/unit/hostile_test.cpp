// Scripts and records past the limits: each is refused with a clear outcome
// (the sizes below the limits, in time and memory: bench/bench_compile.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/simulated/simulated_host.h"
#include "support.h"

namespace trelmix {
namespace {

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
