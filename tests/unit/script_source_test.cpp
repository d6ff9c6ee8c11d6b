#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/script_source.h"
#include "platform/simulated/simulated_host.h"
#include "support.h"

namespace trelmix {
namespace {

using test::U16;

TEST(Entities, UndoneInPlaceLeftToRight) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"&lt;&gt;&quot;&apos;&amp;", "<>\"'&"},
        {"A &amp; B & C", "A & B & C"},
        {"&amp;lt;", "&lt;"},
        {"&AMP; &lt &", "&AMP; &lt &"},
        {"&#x41;", "&#x41;"},
        {"&am", "&am"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::u16string text = U16(c.in);
        UnescapeEntities(text.data());
        EXPECT_EQ(std::u16string(text.c_str()), U16(c.out)) << c.in;
    }
}

std::string ToNarrow(const std::u16string& s) { return {s.begin(), s.end()}; }

class ScriptFiles : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("trelmix-src-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::u16string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return U16((dir / name).string());
    }
};

TEST_F(ScriptFiles, AssignByPath) {
    const std::string good = "BEGIN_RULE\r\nBEGIN_ACTION\r\nAPPEND('!')\r\nEND_ACTION\r\nEND_RULE\r\n";
    test::Harness h(ToNarrow(Write("good.trelmix", good)));
    ASSERT_TRUE(h.assigned);
    EXPECT_EQ(h.Run("a").data, "a!");

    // A path that cannot be read (a directory) leaves the earlier script.
    EXPECT_FALSE(h.Assign(dir.string()));
    EXPECT_EQ(h.Run("a").data, "a!");

    // An empty file is a script without rules; it does not unregister.
    EXPECT_TRUE(h.Assign(ToNarrow(Write("empty.trelmix", ""))));
    EXPECT_EQ(h.Run("a").data, "a");

    // A BOM hides the first keyword: the next line then fails.
    EXPECT_FALSE(h.Assign(ToNarrow(Write("bom.trelmix",
                                         "\xEF\xBB\xBF"
                                         "BEGIN_RULE\nEND_RULE\n"))));
}

TEST(InlineText, EntitiesUndoneInTheCallersBufferEvenWhenCompilingFails) {
    platform::ScopedRecording rec;
    const HostId id = test::AppId(42);
    std::u16string text = U16("END_RULE &amp; &lt;");
    EXPECT_FALSE(TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(text.data())));
    EXPECT_EQ(std::u16string(text.c_str()), u"END_RULE & <");
    EXPECT_EQ(rec.recording.events.size(), 1u);
}

}  // namespace
}  // namespace trelmix
