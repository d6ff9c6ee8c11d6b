#include "host/script_source.h"

#include <string_view>

#include "platform/platform.h"

namespace trelmix {

bool IsScriptPath(const char16_t* string) { return platform::Current().PathExists(string); }

std::optional<std::vector<char16_t>> ReadScriptFile(const char16_t* path) {
    std::vector<std::uint8_t> bytes;
    if (!platform::Current().ReadFile(path, kMaxScriptFileBytes, bytes)) return std::nullopt;
    std::vector<char16_t> text(bytes.size() + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = bytes[i];
    text[bytes.size()] = 0;
    return text;
}

void UnescapeEntities(char16_t* text) {
    struct Entity {
        std::u16string_view name;
        char16_t character;
    };
    static constexpr Entity kEntities[] = {
        {u"&quot;", u'"'}, {u"&amp;", u'&'}, {u"&apos;", u'\''}, {u"&lt;", u'<'}, {u"&gt;", u'>'},
    };
    char16_t* write = text;
    const char16_t* read = text;
    for (;;) {
        if (*read == u'&') {
            bool replaced = false;
            for (const Entity& e : kEntities) {
                std::size_t i = 0;
                // Compare unit by unit so the NUL stops the match before any overrun.
                while (i < e.name.size() && read[i] == e.name[i]) ++i;
                if (i == e.name.size()) {
                    *write++ = e.character;
                    read += e.name.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        *write++ = *read;
        if (*read++ == 0) break;
    }
}

}  // namespace trelmix
