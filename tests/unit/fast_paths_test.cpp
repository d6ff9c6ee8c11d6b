// The search must give exactly what a naive search gives, whichever byte of
// the pattern it looks for first, and the two-way method it changes to must
// too (the rule index, the working buffers and the rest are held against the
// reference engine in differential_test.cpp).
#include <gtest/gtest.h>

#include <random>

#include "actions/data_context.h"

namespace trelmix {
namespace {

std::int32_t NaiveFind(const std::string& text, const std::string& pattern, std::uint32_t start) {
    if (pattern.empty()) return -1;
    for (std::size_t i = start; i + pattern.size() <= text.size(); ++i) {
        if (text.compare(i, pattern.size(), pattern) == 0) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t Find(const std::string& text, const std::string& pattern, std::uint32_t start, std::uint32_t anchor = 0) {
    const ByteSpan span{static_cast<std::int32_t>(text.size()), reinterpret_cast<const std::uint8_t*>(text.data())};
    return span.FindFrom(static_cast<std::int32_t>(pattern.size()),
                         reinterpret_cast<const std::uint8_t*>(pattern.data()), start, anchor);
}

TEST(FastPaths, SearchAgreesWithNaiveSearch) {
    // Long patterns over two or three bytes: the byte looked for is found at
    // almost every offset, so the search soon changes to the two-way method.
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const char* alphabet = round % 2 ? "ab" : "a-c";
        const std::size_t letters = round % 2 ? 2 : 3;
        auto random = [&](std::size_t n) {
            std::string s;
            for (std::size_t i = 0; i < n; ++i) s += alphabet[rng() % letters];
            return s;
        };
        const std::string text = random(1 + rng() % 400);
        std::string pattern = random(1 + rng() % 40);
        if (round % 3 == 0 && text.size() > 40) pattern = text.substr(rng() % (text.size() - 40), 17 + rng() % 23);
        const std::uint32_t start = rng() % (text.size() + 2);
        const std::uint32_t anchor = round % 4 ? rng() % pattern.size() : 0;
        ASSERT_EQ(Find(text, pattern, start, anchor), NaiveFind(text, pattern, start))
            << "text '" << text << "' pattern '" << pattern << "' from " << start << " anchor " << anchor;
    }
}

TEST(FastPaths, AdversarialSearches) {
    const std::string as(5000, 'a');
    const std::string aaab = std::string(63, 'a') + "b";
    struct Case {
        std::string text, pattern;
        std::int32_t expected;
    } cases[] = {
        {as, aaab, -1},
        {as + "b", aaab, 5000 - 63},
        {as + "b" + as, aaab, 5000 - 63},
        {as, std::string(100, 'a'), 0},
        {"ab" + as, "b" + std::string(64, 'a') + "b", -1},
        {std::string(35, 'a') + "baabbaabbaabbaabba", "abbaabbaabbaabbaabba", -1},  // periodic, right half found
        // periodic: a mismatch in the right half after a partial match forgets what that match showed
        {std::string(33, 'a') + "bbaabaabaabaabaabbabaabaabaabaabaab", "abaabaabaabaabaab", 51},
        {std::string(34, 'a') + "bbbbaabaabaabaabaab", "abaabaabaabaabaab", -1},  // only its maximal suffix splits it
        {std::string(3000, 'a') + "ba" + std::string(3000, 'a'), std::string(40, 'a') + "b" + std::string(40, 'a'),
         3000 - 40},
    };
    for (const Case& c : cases) EXPECT_EQ(Find(c.text, c.pattern, 0), c.expected) << c.pattern;
    EXPECT_EQ(Find("xABAB", "B", 0xFFFFFFFFu), -1);  // a start past any length
    EXPECT_EQ(Find("xABAB", "", 0), -1);
    EXPECT_EQ(Find("LOC LOC-LOC-", "LOC-", 0, 3), 4);
    EXPECT_EQ(Find("-LOC", "LOC-", 0, 3), -1);  // an anchor that stands where the pattern cannot fit
    // Only the pattern's own bytes are compared, though the byte before it
    // equals the byte before the match.
    std::string text;
    for (int i = 0; i < 33; ++i) text += std::string(39, 'a') + "b";
    text += "Z" + std::string(40, 'a');
    const std::string framed = "QZ" + std::string(40, 'a');
    const ByteSpan span{static_cast<std::int32_t>(text.size()), reinterpret_cast<const std::uint8_t*>(text.data())};
    EXPECT_EQ(span.FindFrom(40, reinterpret_cast<const std::uint8_t*>(framed.data()) + 2, 0, 0), 33 * 40 + 1);
}

}  // namespace
}  // namespace trelmix
