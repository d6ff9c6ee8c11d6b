// Quoted text that holds other bytes than its author wrote: backslash
// escapes (only \' is one), &#x..; that is malformed or that the keyword
// does not undo, characters a file saved as UTF-8 spells in several bytes,
// characters above one byte in inline text; and a file with zero bytes in it.
#include "check/warning_checks.h"
#include "common/ascii.h"
#include "common/human_output.h"
#include "common/text_encoding.h"
#include "platform/codepage.h"
#include "platform/utf.h"

namespace trelmix::cli {

namespace {

bool IsHex(char16_t c) { return HexValue(c) >= 0; }
// A digit already found to be one.
unsigned HexDigit(char16_t c) { return static_cast<unsigned>(HexValue(c)); }

// A well-formed escape at `i`: &#x, two hex digits, ';'.
bool EscapeAt(std::u16string_view s, std::size_t i) {
    return s.size() - i >= 6 && s.substr(i, 3) == u"&#x" && IsHex(s[i + 3]) && IsHex(s[i + 4]) && s[i + 5] == u';';
}

// The Windows-1252 byte that stands for a character, or -1.
int Cp1252Byte(char16_t c) {
    for (int b = 0; b < 256; ++b) {
        if (platform::DecodeCp1252(static_cast<std::uint8_t>(b)) == c) return b;
    }
    return -1;
}

struct Named {
    char16_t letter;
    unsigned byte;
    const char* name;
};
constexpr Named kBackslashed[] = {
    {u'r', 0x0D, "a carriage return"},
    {u'n', 0x0A, "a line feed"},
    {u't', 0x09, "a tab"},
    {u'0', 0x00, "a zero byte"},
};

// How to reach a byte in this keyword's text.
std::string ByteHint(const KeywordLine& k, unsigned byte, const std::string& what) {
    if (k.keyword.decodesEscapes) return "write &#x" + Hex2(byte) + "; for " + what;
    if (k.keyword.key == KeyArgument::Text) return "write " + k.Name() + "(" + std::to_string(byte) + ") for " + what;
    if (byte < 0x20 && k.keyword.keyboardOnly) {
        // A control byte is hard to write between quotes: the cookbook turns
        // it into a character first.
        return "to split the record at this byte, turn it into a character first, as the cookbook's \"Type "
               "fields split by FNC1\" does with REPLACE_ALL('&#x" +
               Hex2(byte) + ";', '|')";
    }
    return "write the character itself between the quotes";
}

void CheckBackslash(const KeywordLine& k, std::u16string_view s, Findings& out) {
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != u'\\') continue;
        const char16_t next = s[i + 1];
        if (next == u'\'') {
            ++i;
            continue;
        }
        std::size_t length = 2;
        std::string hint;
        int byte = -1;  // the byte meant
        if (next == u'\\') {
            hint = "write one backslash";
        } else if (next == u'x' && i + 3 < s.size() && IsHex(s[i + 2]) && IsHex(s[i + 3])) {
            length = 4;
            byte = static_cast<int>(HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]));
            hint = ByteHint(k, static_cast<unsigned>(byte), "the byte " + Hex2(static_cast<unsigned>(byte)));
        } else {
            for (const Named& n : kBackslashed) {
                if (n.letter != next) continue;
                hint = ByteHint(k, n.byte, n.name);
                byte = static_cast<int>(n.byte);
            }
        }
        if (hint.empty()) continue;
        std::vector<Fix> fixes;
        if (byte >= 0 && k.keyword.decodesEscapes) {
            fixes.push_back({s.data() + i, s.data() + i + length, "&#x" + Hex2(static_cast<unsigned>(byte)) + ";"});
        }
        const std::u16string_view written = s.substr(i, length);
        out.push_back({s.data() + i, Code::BackslashEscape,
                       Quoted(written) + " is not an escape: the text holds a backslash and " +
                           Quoted(written.substr(1)) + " (the only escape is \\' for a quote)",
                       hint, s.data() + i + length, std::move(fixes)});
        return;
    }
}

void CheckAmpersands(const KeywordLine& k, std::u16string_view s, Findings& out) {
    for (std::size_t i = s.find(u"&#"); i != s.npos; i = s.find(u"&#", i + 1)) {
        if (EscapeAt(s, i)) {
            if (k.keyword.decodesEscapes) continue;
            const unsigned byte = HexDigit(s[i + 3]) * 16 + HexDigit(s[i + 4]);
            out.push_back(
                {s.data() + i, Code::EscapeNotUndone,
                 k.Name() + " does not undo &#x..; escapes, so " + Quoted(s.substr(i, 6)) + " stays six characters",
                 ByteHint(k, byte, "the byte " + Hex2(byte)), s.data() + i + 6});
            return;
        }
        if (!k.keyword.decodesEscapes) continue;
        // What the author probably meant: &#X41;, &#x4;, &#x41 (no ';'), &#65; (decimal).
        std::size_t j = i + 2;
        const bool hex = j < s.size() && (s[j] == u'x' || s[j] == u'X');
        if (hex) ++j;
        const std::size_t digits = j;
        unsigned value = 0;  // stops growing past a byte, so any run of digits fits
        while (j < s.size() && (hex ? IsHex(s[j]) : (s[j] >= u'0' && s[j] <= u'9'))) {
            if (value <= 0xFF) value = value * (hex ? 16 : 10) + HexDigit(s[j]);
            ++j;
        }
        const std::size_t end = j < s.size() && s[j] == u';' ? j + 1 : j;
        std::string hint;
        if (j > digits && value <= 0xFF) hint = "write &#x" + Hex2(value) + ";";
        out.push_back({s.data() + i, Code::EscapeMalformed,
                       Quoted(s.substr(i, end - i)) +
                           " is not an escape, so it stays as written: an escape is &#x (lower-case x), two hex "
                           "digits and ';'",
                       hint, s.data() + end});
        return;
    }
}

// The length of a UTF-8 multi-byte sequence at `i` (2 to 4), or 0. The
// units are the file's bytes.
std::size_t Utf8Sequence(std::u16string_view s, std::size_t i, char32_t& cp) {
    std::string bytes;
    for (std::size_t k = i; k < s.size() && k < i + 4 && s[k] <= 0xFF; ++k) bytes += static_cast<char>(s[k]);
    const auto one = DecodeUtf8At(bytes, 0);
    if (!one || one->second < 2) return 0;
    cp = one->first;
    return one->second;
}

std::string Character(char32_t cp) {
    std::u16string units;
    if (cp < 0x10000) {
        units.push_back(static_cast<char16_t>(cp));
    } else {
        units = {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
    }
    return "'" + platform::ToUtf8(units) + "'";
}

// How to write a character as the one Windows-1252 byte it is, if it is one.
std::string OneByteHint(const KeywordLine& k, char32_t cp, std::string fix) {
    const int byte = cp < 0x10000 ? Cp1252Byte(static_cast<char16_t>(cp)) : -1;
    if (byte < 0 || !k.keyword.decodesEscapes) return fix;
    return fix + ", or write &#x" + Hex2(static_cast<unsigned>(byte)) + "; (its Windows-1252 byte)";
}

void CheckCharacters(const CompiledText& c, const KeywordLine& k, std::u16string_view s, Findings& out) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = 0;
        if (c.fromFile) {
            const std::size_t n = Utf8Sequence(s, i, cp);
            if (n == 0) continue;
            std::string bytes;
            for (std::size_t b = 0; b < n; ++b) bytes += (b ? " " : "") + Hex2(s[i + b]);
            out.push_back({s.data() + i, Code::Utf8Text,
                           "the text holds " + Character(cp) + " saved as UTF-8, which the script reads as the " +
                               std::to_string(n) + " bytes " + bytes + " (" + Quoted(s.substr(i, n)) + ")",
                           OneByteHint(k, cp, "save the file as Windows-1252"), s.data() + i + n});
            return;
        }
        if (s[i] <= 0xFF) continue;
        cp = s[i];
        std::size_t n = 1;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            n = 2;
        }
        const char16_t low = s[i] & 0xFF;
        out.push_back({s.data() + i, Code::WideCharacter,
                       Character(cp) + " is not one byte: the script keeps the low byte of it, " + Hex2(low) + " (" +
                           Quoted({&low, 1}) + ")",
                       OneByteHint(k, cp, "write a character of Windows-1252"), s.data() + i + n});
        return;
    }
}

}  // namespace

void CheckQuotedText(const CompiledText& c, const KeywordLine& k, Findings& out) {
    for (const TextSpan& arg : k.args) {
        if (arg.length < 2 || arg[0] != u'\'') continue;
        const std::u16string_view s = QuotedContent(arg);
        CheckBackslash(k, s, out);
        CheckAmpersands(k, s, out);
        CheckCharacters(c, k, s, out);
    }
}

void CheckZeroBytes(const CompiledText& c, Findings& out) {
    const std::u16string_view whole = c.whole;
    const std::size_t zero = whole.find(u'\0');
    if (!c.fromFile || zero == whole.npos) return;
    const std::string hint = "save the file as Windows-1252 (ANSI)";
    if (whole.starts_with(u"\u00FF\u00FE") || whole.starts_with(u"\u00FE\u00FF")) {
        out.push_back({c.text(), Code::Utf16File,
                       "the file is UTF-16 (it starts with the bytes " + Hex2(whole[0]) + " " + Hex2(whole[1]) +
                           "), but a script is read one byte per character and ends at its first zero byte",
                       hint, c.text() + 2});
        return;
    }
    const bool utf16 = zero + 2 < whole.size() && whole[zero + 2] == 0 && (zero == 0 || whole[zero - 1] != 0);
    out.push_back({whole.data() + zero, Code::ZeroByte,
                   "the script ends at this zero byte: the " +
                       Plural(whole.size() - zero - 1, "byte after it is", "bytes after it are") + " never read" +
                       (utf16 ? " (a file saved as UTF-16 holds a zero byte beside every ASCII character)" : ""),
                   utf16 ? hint : "remove the zero byte", whole.data() + zero + 1});
}

}  // namespace trelmix::cli
