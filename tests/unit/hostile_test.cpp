// A script file past the limit is refused with a clear outcome (the sizes
// below the limits, in time and memory: bench/bench_compile.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/simulated/simulated_host.h"
#include "support.h"

namespace trelmix {
namespace {

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
