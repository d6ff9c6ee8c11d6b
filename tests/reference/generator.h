// Random scripts and records for the differential tests and the fuzzers:
// scripts built from the keyword table (every keyword with arguments of its
// kinds, blocks in and out of order, rulesets, the send keywords, runs of
// forward edits with moves between them), records over a small alphabet so
// that searches hit (upper case, Alt prefixes, group separators), and byte
// mutation on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace trelmix::reference {

// Where the choices come from: a seeded random engine, or a fuzzer's bytes
// read in order (zeros once they run out, so short inputs give short scripts).
class Choices {
public:
    explicit Choices(std::uint64_t seed) : rng_(seed), random_(true) {}
    Choices(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    // A number below n (n >= 1).
    std::uint32_t Below(std::uint32_t n);
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }

private:
    std::mt19937_64 rng_;
    const std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0, at_ = 0;
    bool random_ = false;
};

struct GeneratedCase {
    std::string script;
    bool keyboard = false;
    std::vector<std::string> records;
};

// A script of one to four rules. Mostly well-formed: now and then a block
// out of order, a keyword outside its block, a lower-case or indented line.
std::string GenerateScript(Choices& c, bool keyboard);

// Up to 12 bytes; a quarter start with the Alt prefix byte 0x12.
std::string GenerateRecord(Choices& c);

// A script (keyboard or not, a third of them mutated) and 1 to 8 records.
GeneratedCase GenerateCase(Choices& c);

// One to four byte changes: a byte replaced, dropped, doubled or inserted.
void Mutate(Choices& c, std::string& text);

}  // namespace trelmix::reference
