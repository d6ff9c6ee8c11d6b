#include "script/text.h"

namespace trelmix {

namespace {

bool IsIn(char16_t c, std::u16string_view set) { return set.find(c) != std::u16string_view::npos; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsArgumentBlank(char16_t c) { return c == u' ' || c == u'\t'; }

int HexValue(std::uint8_t b) {
    if (b >= '0' && b <= '9') return b - '0';
    if (b >= 'A' && b <= 'F') return b - 'A' + 10;
    if (b >= 'a' && b <= 'f') return b - 'a' + 10;
    return -1;
}

bool Fail(ArgumentError* error, const char16_t* at, const char* reason) {
    if (error) *error = {at, reason};
    return false;
}

}  // namespace

TextSpan NextLine(const char16_t* text, std::uint32_t textLength, std::int64_t& position) {
    if (textLength == 0 || position < 0 || position >= textLength) {
        position = -1;
        return {};
    }
    const auto start = static_cast<std::uint32_t>(position);
    for (std::uint32_t i = start; i < textLength; ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            position = i + 1;
            return {i - start, text + start};
        }
    }
    position = textLength;
    return {textLength - start, text + start};
}

TextSpan TrimLeft(TextSpan span, std::u16string_view set) {
    std::uint32_t i = 0;
    while (i < span.length && IsIn(span[i], set)) ++i;
    if (i == span.length) return {0, span.text + i};
    return span.Sub(i, span.length - i);
}

TextSpan ArgumentText(TextSpan line) {
    std::uint32_t open = 0;
    while (open < line.length && line[open] != u'(') ++open;
    if (open == line.length) return {};
    std::uint32_t close = line.length;
    while (close > open + 1 && line[close - 1] != u')') --close;
    if (close <= open + 1) return {0, line.text + open + 1};
    return line.Sub(open + 1, close - 1 - (open + 1));
}

bool ParseArgumentList(TextSpan line, ArgumentList& arguments, ArgumentError* error) {
    arguments.clear();
    const TextSpan args = ArgumentText(line);
    if (args.empty()) {
        if (!args.text) return Fail(error, line.end(), "the argument list is missing: no '(' on the line");
        const std::u16string_view after(args.text, static_cast<std::size_t>(line.end() - args.text));
        return Fail(error, after.find(u')') == after.npos ? line.end() : args.text,
                    after.find(u')') == after.npos ? "the ')' that closes the argument list is missing"
                                                   : "the argument list is empty");
    }
    std::uint32_t i = 0;
    const std::uint32_t n = args.length;
    for (;;) {
        while (i < n && IsArgumentBlank(args[i])) ++i;
        if (i == n) {
            const bool afterComma = !arguments.empty();
            arguments.clear();
            return Fail(error, args.text + i,
                        afterComma ? "a comma with no argument after it" : "the argument list is blank");
        }
        const char16_t first = args[i];
        if (first == u'\'') {
            const std::uint32_t open = i;
            std::uint32_t close = i + 1;
            while (close < n && !(args[close] == u'\'' && args[close - 1] != u'\\')) ++close;
            if (close >= n) {
                arguments.clear();
                return Fail(error, args.text + open, "a quoted argument is not closed");
            }
            arguments.push_back(args.Sub(open, close - open + 1));
            i = close + 1;
            const std::uint32_t afterQuote = i;
            while (i < n && IsArgumentBlank(args[i])) ++i;
            if (i == n) {
                if (i != afterQuote) {
                    arguments.clear();
                    return Fail(error, args.text + afterQuote, "a blank after the last argument");
                }
                return true;
            }
            if (args[i] != u',') {
                arguments.clear();
                return Fail(error, args.text + i, "expected a comma after a quoted argument");
            }
            ++i;
        } else if (IsDigit(first)) {
            const std::uint32_t start = i;
            while (i < n && (IsDigit(args[i]) || IsArgumentBlank(args[i]))) ++i;
            if (i == n) {
                if (!IsDigit(args[n - 1])) {
                    arguments.clear();
                    return Fail(error, args.text + n - 1, "a blank after the last argument");
                }
                arguments.push_back(args.Sub(start, n - start));
                return true;
            }
            if (args[i] != u',') {
                arguments.clear();
                return Fail(error, args.text + i, "a number argument may hold only digits");
            }
            arguments.push_back(args.Sub(start, i - start));
            ++i;
        } else {
            arguments.clear();
            return Fail(error, args.text + i, "an argument must start with a quote or a digit");
        }
    }
}

bool ParseNumber(TextSpan argument, std::uint32_t& value) {
    if (argument.empty()) return false;
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < argument.length; ++i) {
        if (!IsDigit(argument[i])) return false;
        v = v * 10u + static_cast<std::uint32_t>(argument[i] - u'0');
    }
    value = v;
    return true;
}

static bool IsQuoted(TextSpan argument) {
    return argument.length >= 2 && argument[0] == u'\'' && argument[argument.length - 1] == u'\'';
}

bool ParseQuotedString(TextSpan argument, ByteArg& out) {
    // A lone quote is not a quoted string: it has no closing quote.
    if (!IsQuoted(argument)) return false;
    const bool isNumber = out.isNumber;
    out = ToBytes(argument.Sub(1, argument.length - 2));
    out.isNumber = isNumber;
    return true;
}

bool ParseStringOrNumber(TextSpan argument, ByteArg& out) {
    if (argument.empty()) return false;
    if (IsQuoted(argument)) {
        out = ToBytes(argument.Sub(1, argument.length - 2));
        out.isNumber = false;
        return true;
    }
    out = ToBytes(argument);
    out.isNumber = true;
    return true;
}

ByteArg ToBytes(TextSpan span) {
    ByteArg out;
    out.bytes.reserve(span.length);
    for (std::uint32_t i = 0; i < span.length; ++i) {
        char16_t c = span[i];
        if (c == u'\\' && i + 1 < span.length && span[i + 1] == u'\'') {
            c = u'\'';
            ++i;
        }
        out.bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    return out;
}

void DecodeHexEscapes(ByteArg& arg) {
    auto& b = arg.bytes;
    const std::size_t n = b.size();
    std::size_t read = 0, write = 0;
    while (read < n) {
        if (read + 6 <= n && b[read] == '&' && b[read + 1] == '#' && b[read + 2] == 'x' && b[read + 5] == ';') {
            const int hi = HexValue(b[read + 3]);
            const int lo = HexValue(b[read + 4]);
            if (hi >= 0 && lo >= 0) {
                b[write++] = static_cast<std::uint8_t>(hi * 16 + lo);
                read += 6;
                continue;
            }
        }
        b[write++] = b[read++];
    }
    b.resize(write);
}

}  // namespace trelmix
