// A test's whole output over generated inputs, held by its FNV-1a hash. The
// text is written to the test's temporary folder so that a change that is
// meant can be read as a diff before the new hash is pinned.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace trelmix::reference {

inline void ExpectPinned(const std::string& text, const std::string& name, std::uint64_t pinned) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    const std::string file = testing::TempDir() + name;
    std::ofstream(file, std::ios::binary) << text;
    EXPECT_EQ(hash, pinned) << "what the command gives for the generated inputs changed (" << file
                            << "); when that is meant, pin the new hash";
}

}  // namespace trelmix::reference
