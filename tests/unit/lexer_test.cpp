#include <gtest/gtest.h>

#include "script/text.h"
#include "support.h"

namespace trelmix {
namespace {

using test::U16;

struct ListCase {
    const char* line;
    bool ok;
    std::vector<std::string> args;
};

TEST(ArgumentList, SplitsAsTheLanguageSays) {
    const ListCase cases[] = {
        {"CODE_LENGTH (12)", true, {"12"}},
        {"CODE_LENGTH( 12) trailing words", true, {"12"}},
        {"CODE_MATCH('a,b' , 3)", true, {"'a,b'", "3"}},
        {"CODE_MATCH('a', 3 )", false, {}},
        {"CODE_LIST(1 ,2)", true, {"1 ", "2"}},  // splits; ParseNumber then refuses "1 "
        {"CODE_LIST( )", false, {}},
        {"CODE_LIST(1 2)", true, {"1 2"}},
        {"APPEND('abc\\')", false, {}},
        {"APPEND('a(b)c')", true, {"'a(b)c'"}},
        {"APPEND('x'y)", false, {}},
        {"APPEND(5')", false, {}},
        {"APPEND('a'", false, {}},
    };
    for (const auto& c : cases) {
        const std::u16string text = U16(c.line);
        ArgumentList args;
        const bool ok = ParseArgumentList({static_cast<std::uint32_t>(text.size()), text.data()}, args);
        EXPECT_EQ(ok, c.ok) << c.line;
        if (!ok || !c.ok) continue;
        ASSERT_EQ(args.size(), c.args.size()) << c.line;
        for (std::size_t i = 0; i < args.size(); ++i) {
            EXPECT_EQ(std::u16string(args[i].text, args[i].length), U16(c.args[i])) << c.line;
        }
    }
}

std::string Quoted(const char* text, bool hex) {
    const std::u16string t = U16(text);
    ByteArg b;
    if (!ParseQuotedString({static_cast<std::uint32_t>(t.size()), t.data()}, b)) return "<fail>";
    if (hex) DecodeHexEscapes(b);
    return {b.bytes.begin(), b.bytes.end()};
}

TEST(QuotedStrings, EscapesAndHexEscapes) {
    EXPECT_EQ(Quoted("'it\\'s'", false), "it's");
    EXPECT_EQ(Quoted("'a\\\\'b'", false), "a\\'b");
    EXPECT_EQ(Quoted("'\\n'", false), "\\n");
    EXPECT_EQ(Quoted("''", false), "");
    EXPECT_EQ(Quoted("12", false), "<fail>");
    EXPECT_EQ(Quoted("'&#x0D;&#x0a;'", true), "\r\n");
    EXPECT_EQ(Quoted("'&#X41;'", true), "&#X41;");
    EXPECT_EQ(Quoted("'&#x4'", true), "&#x4");
    EXPECT_EQ(Quoted("'&#x26;#x41;'", true), "&#x41;");
    EXPECT_EQ(Quoted("'A&#x41;'", true), "AA");
    EXPECT_EQ(Quoted("'&#xg1;'", true), "&#xg1;");  // not an escape: kept as written
    EXPECT_EQ(Quoted("'&#x00;'", true), std::string(1, '\0'));
}

TEST(QuotedStrings, CodeUnitsAbove255KeepTheirLowByte) {
    const std::u16string t = u"'\u20AC'";
    ByteArg b;
    ASSERT_TRUE(ParseQuotedString({static_cast<std::uint32_t>(t.size()), t.data()}, b));
    ASSERT_EQ(b.length(), 1);
    EXPECT_EQ(b.bytes[0], 0xAC);
}

}  // namespace
}  // namespace trelmix
