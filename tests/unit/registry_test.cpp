#include <gtest/gtest.h>

#include "exports/registry.h"
#include "platform/simulated/simulated_host.h"
#include "support.h"

namespace trelmix {
namespace {

// Ids that collide and wrap around the table, removed in an order that
// leaves holes in the middle of probe chains: every id keeps its own script.
TEST(Registry, HundredsOfIdsStoredReplacedAndRemoved) {
    ScriptRegistry r;
    std::vector<Script*> scripts(600);
    const auto id = [](std::size_t n) {
        return HostId{static_cast<std::uint32_t>(n % 37), 1, static_cast<std::uint16_t>(n), {}};
    };
    for (std::size_t n = 0; n < scripts.size(); ++n) {
        auto s = std::make_unique<Script>(Program());
        scripts[n] = s.get();
        r.Store(id(n), std::move(s));
    }
    for (std::size_t n = 0; n < scripts.size(); n += 3) EXPECT_TRUE(r.Unregister(id(n)));
    for (std::size_t n = 1; n < scripts.size(); n += 3) {
        auto s = std::make_unique<Script>(Program());
        scripts[n] = s.get();
        r.Store(id(n), std::move(s));  // replaced: the count stays
    }
    EXPECT_EQ(r.Count(), 400u);
    for (std::size_t n = 0; n < scripts.size(); ++n) EXPECT_EQ(r.Find(id(n)), n % 3 ? scripts[n] : nullptr) << n;
    // Three ids in the smallest table, where a chain can wrap from the last
    // slot to the first: after any one is removed, the other two are found.
    std::size_t lost = 0;
    for (std::size_t n = 0; n < 3000; n += 3) {
        for (std::size_t gone = n; gone < n + 3; ++gone) {
            ScriptRegistry small;
            for (std::size_t k = n; k < n + 3; ++k) small.Store(id(k), std::make_unique<Script>(Program()));
            small.Unregister(id(gone));
            for (std::size_t k = n; k < n + 3; ++k) lost += (small.Find(id(k)) == nullptr) != (k == gone);
        }
    }
    EXPECT_EQ(lost, 0u);
}

// An inline script's entities are undone in the caller's own buffer, even
// when the script is then refused.
TEST(Assign, InlineEntitiesUndoneInTheCallersBufferEvenWhenRefused) {
    platform::ScopedRecording rec;
    const HostId id = test::AppId(42);
    std::u16string text = test::U16("END_RULE &amp; &lt;");
    EXPECT_FALSE(TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(text.data())));
    EXPECT_EQ(std::u16string(text.c_str()), u"END_RULE & <");
    EXPECT_EQ(rec.recording.events.size(), 1u);
}

// Ruleset switches belong to the script assigned to one id.
TEST(Assign, EachIdHasItsOwnRulesetSwitches) {
    const std::string script = test::OneRule("CODE_LIST(1)", "RULESET_OFF(2)") +
                               "BEGIN_RULE\nSET_RULESET(2)\nBEGIN_ACTION\nAPPEND('2')\nEND_ACTION\nEND_RULE\n";
    test::Harness a(script), b(script, false, 8);
    EXPECT_EQ(a.Run("x", 1).data, "x");
    EXPECT_EQ(a.Run("x").data, "x");
    EXPECT_EQ(b.Run("x").data, "x2");
}

}  // namespace
}  // namespace trelmix
