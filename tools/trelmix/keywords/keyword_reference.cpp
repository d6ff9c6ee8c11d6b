#include "keywords/keyword_reference.h"

#include <ostream>

#include "script/keywords.h"
#include "check/warnings.h"

namespace trelmix::cli {

namespace {

void PrintEntry(const KeywordInfo& k, std::ostream& out) {
    out << k.synopsis << "\n  " << k.summary << "\n  arguments: "
        << (k.arguments.empty() ? "none (the rest of the line is ignored)" : k.arguments) << "\n  allowed "
        << WhereAllowed(k.block) << '\n';
    if (k.decodesEscapes) out << "  &#xHH; in its quoted text is the byte HH (two hex digits, lower-case x)\n";
    if (k.keyboardOnly) out << "  only in the keyboard's script (--keyboard); an application script ignores the line\n";
}

}  // namespace

int KeywordsCommand(const std::string& name, Streams io) {
    if (name.empty()) {
        io.out << "The keywords of the script language, in the order a script uses them:\n";
        for (const KeywordInfo& k : Keywords()) {
            const std::string synopsis(k.synopsis);
            io.out << "  " << synopsis << std::string(synopsis.size() < 30 ? 30 - synopsis.size() : 1, ' ')
                   << k.summary << '\n';
        }
        io.out << "The SEND_ keywords work only in the keyboard's script (--keyboard). A line whose first word is "
                  "no keyword is a comment.\nRun 'trelmix keywords NAME' for where a keyword may stand and what "
                  "it takes.\n";
        return kExitOk;
    }
    std::string upper = name;
    for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    if (const KeywordInfo* k = FindKeyword(upper)) {
        PrintEntry(*k, io.out);
        return kExitOk;
    }
    io.err << "trelmix: keywords: '" << name << "' is not a keyword";
    if (const KeywordInfo* near = NearestKeyword(std::u16string(upper.begin(), upper.end()))) {
        io.err << "; did you mean " << near->name << "?";
    }
    io.err << "\nRun 'trelmix keywords' for the list.\n";
    return kExitUsage;
}

}  // namespace trelmix::cli
