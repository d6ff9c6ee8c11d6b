// Lines as the compiler recognises them: an ignored line that an author
// meant as a keyword, and a keyword line that reads differently from what
// was written (a longer word, free text, words around the argument list).
#include <algorithm>

#include "check/warning_checks.h"
#include "common/ascii.h"

namespace trelmix::cli {

namespace {

std::u16string UpperCase(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = AsciiUpper(c);
    return out;
}

bool Blank(char16_t c) { return c == u' ' || c == u'\t'; }

// The keyword a line begins with, as the keyboard script's compiler sees it.
const KeywordInfo* AnyKeyword(std::u16string_view line) { return LeadingKeyword(line, true); }

std::string SendNote(const KeywordInfo& keyword, bool keyboardMode) {
    if (!keyword.keyboardOnly || keyboardMode) return "";
    return " (and send keywords are ignored in an application script)";
}

// Free text as a message quotes it: without trailing blanks, cut when long.
std::string Excerpt(std::u16string_view text) {
    while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
    if (text.size() <= 30) return Quoted(text);
    return "'" + Shown(text.substr(0, 27)) + "...'";
}

}  // namespace

void CheckIgnoredLine(const CompiledText& c, const char16_t* at, Findings& out) {
    const std::u16string_view line = LineAt(at);

    if (at == c.text() && line.substr(0, 3) == u"\u00EF\u00BB\u00BF" && AnyKeyword(line.substr(3))) {
        out.push_back({at, Code::ByteOrderMark,
                       "the file starts with a UTF-8 byte-order mark, so the keyword on this line is not "
                       "recognised and the line is ignored",
                       "save the file without the mark", at + 3});
        return;
    }
    // Other blanks than space and tab (a vertical tab, a form feed, a
    // no-break space) do not count as indentation.
    std::size_t blanks = 0;
    while (blanks < line.size() &&
           (line[blanks] == u'\v' || line[blanks] == u'\f' || line[blanks] == 0xA0 || Blank(line[blanks]))) {
        ++blanks;
    }
    if (blanks > 0) {
        if (const KeywordInfo* k = LeadingKeyword(line.substr(blanks), c.keyboardMode)) {
            const char16_t odd = line[line.find_first_not_of(u" \t")];
            out.push_back({at, Code::KeywordAfterBlank,
                           "the line starts with the byte " + Hex2(odd) + " (" +
                               (odd == u'\v'   ? "a vertical tab"
                                : odd == u'\f' ? "a form feed"
                                               : "a no-break space") +
                               "), which is not a blank to the compiler, so " + std::string(k->name) +
                               " is not recognised and the line is ignored",
                           "indent with spaces or tabs only", at + blanks});
            return;
        }
    }
    if (!c.keyboardMode) {
        if (const KeywordInfo* k = AnyKeyword(line)) {  // only a send keyword can begin an ignored line
            out.push_back({at, Code::SendIgnored,
                           std::string(k->name) +
                               " is ignored in an application script: send keywords work only in the "
                               "script of the simulated keyboard",
                           "check and run the script with --keyboard"});
            return;
        }
    }

    std::size_t n = 0;
    while (n < line.size() && WordCharacter(line[n])) ++n;
    if (n == 0) return;
    const std::u16string_view word = line.substr(0, n);
    std::size_t after = n;
    while (after < line.size() && Blank(line[after])) ++after;
    const bool upperWord = word.size() >= 4 &&
                           std::none_of(word.begin(), word.end(), [](char16_t ch) { return ch >= u'a' && ch <= u'z'; });
    const bool looksLikeCode =
        word.find(u'_') != std::u16string_view::npos || after == line.size() || line[after] == u'(' || upperWord;
    if (!looksLikeCode) return;

    if (const KeywordInfo* k = AnyKeyword(UpperCase(line.substr(0, 14)))) {
        const std::u16string_view written = line.substr(0, k->name.size());
        out.push_back({at,
                       Code::KeywordCase,
                       Quoted(written) + " is not a keyword (keywords are upper case), so the line is ignored",
                       "write " + std::string(k->name) + SendNote(*k, c.keyboardMode),
                       at + written.size(),
                       {{at, at + written.size(), std::string(k->name)}}});
        return;
    }
    const KeywordInfo* nearest = NearestKeyword(word);
    if (!nearest) return;
    out.push_back({at,
                   Code::KeywordMisspelt,
                   Quoted(word) + " is not a keyword, so the line is ignored",
                   "did you mean " + std::string(nearest->name) + "?" + SendNote(*nearest, c.keyboardMode),
                   nullptr,
                   {{at, at + word.size(), std::string(nearest->name)}}});
}

void CheckKeywordLine(const KeywordLine& k, Findings& out) {
    const char16_t* after = k.line.text + k.keyword.name.size();
    const char16_t* end = k.line.end();
    if (WordCharacter(*after)) {
        const char16_t* wordEnd = WordEnd(after);
        out.push_back({after,
                       Code::KeywordPrefix,
                       Quoted({k.line.text, static_cast<std::size_t>(wordEnd - k.line.text)}) + " is read as " +
                           k.Name() + ": a keyword is recognised by its first letters, and the rest of the word (" +
                           Quoted({after, static_cast<std::size_t>(wordEnd - after)}) + ") is ignored",
                       "write " + k.Name(),
                       wordEnd,
                       {{after, wordEnd, ""}}});
        return;
    }
    const char16_t* rest = after;
    while (rest < end && Blank(*rest)) ++rest;
    if (rest == end) return;
    const std::u16string_view restText(rest, static_cast<std::size_t>(end - rest));

    if (!k.TakesArguments()) {
        if (*rest == u'(') {
            out.push_back({rest, Code::ArgumentsIgnored,
                           k.Name() + " takes no arguments: " + Excerpt(restText) + " is ignored",
                           "write " + k.Name() + " alone", end});
        } else if (WordCharacter(*rest)) {
            out.push_back(
                {rest, Code::TextAfterKeyword,
                 "the line is read as " + k.Name() + ", and the rest of it (" + Excerpt(restText) + ") is ignored",
                 CommentHint(), end});
        }
        return;
    }
    if (!k.listOk) return;
    const TextSpan list = ArgumentText(k.line);
    if (*rest != u'(') {
        const char16_t* open = list.text - 1;
        out.push_back({rest, Code::TextBeforeArguments,
                       "the line is read as " + k.Name() + "(" + Shown({list.text, list.length}) +
                           "): the words before '(' (" + Excerpt({rest, static_cast<std::size_t>(open - rest)}) +
                           ") are ignored",
                       CommentHint(), open});
    }
    const char16_t* comment = list.end() + 1;
    while (comment < end && Blank(*comment)) ++comment;
    if (comment < end) {
        out.push_back({comment, Code::TextAfterArguments,
                       "the text after the argument list (" +
                           Excerpt({comment, static_cast<std::size_t>(end - comment)}) +
                           ") is ignored, but the list runs to the last ')' on the line: a ')' in that text "
                           "would join it to the list",
                       "put the comment on a line of its own", end});
    }
}

}  // namespace trelmix::cli
