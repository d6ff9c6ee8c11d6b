#include "common/text_encoding.h"

#include <optional>
#include <utility>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "platform/utf.h"

namespace trelmix::cli {

std::optional<std::pair<char32_t, std::size_t>> DecodeUtf8At(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    if (b < 0x80) {
        cp = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
        extra = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        extra = 2;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        extra = 3;
        cp = b & 0x07;
    } else {
        return std::nullopt;
    }
    if (i + extra >= text.size()) return std::nullopt;  // sequence cut short
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    return std::pair{cp, extra + 1};
}

namespace {

// Decodes strict UTF-8 into code points; nothing when malformed.
std::optional<std::u32string> DecodeUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto one = DecodeUtf8At(text, i);
        if (!one) return std::nullopt;
        out.push_back(one->first);
        i += one->second;
    }
    return out;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// The name of an existing file or directory given as bytes that are not
// UTF-8: the UTF-8 in it decoded, each other byte as U+DC80..U+DCFF, which
// the library's POSIX host turns back into that byte.
std::optional<std::u16string> ExistingName(std::string_view text) {
#if defined(_WIN32)
    (void)text;
    return std::nullopt;
#else
    struct stat st;
    if (text.find('\0') != text.npos || stat(std::string(text).c_str(), &st) != 0) return std::nullopt;
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const auto one = DecodeUtf8At(text, i)) {
            AppendUtf16(out, one->first);
            i += one->second;
        } else {
            out.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(text[i++])));
        }
    }
    return out;
#endif
}

}  // namespace

std::u16string FromCommandLine(std::string_view text) {
    std::u16string out;
    if (auto points = DecodeUtf8(text)) {
        for (char32_t cp : *points) AppendUtf16(out, cp);
        return out;
    }
    if (auto name = ExistingName(text)) return *name;
    for (unsigned char c : text) out.push_back(c);
    return out;
}

std::string ToTerminal(std::u16string_view text) { return platform::ToUtf8(text); }

std::string ToFileBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t u : text) out.push_back(static_cast<char>(u & 0xFF));
    return out;
}

bool IsUtf8(std::string_view bytes) { return DecodeUtf8(bytes).has_value(); }

std::size_t CountFileCharacters(std::u16string_view fileText) {
    const std::string bytes = ToFileBytes(fileText);
    if (auto points = DecodeUtf8(bytes)) return points->size();
    return bytes.size();
}

}  // namespace trelmix::cli
