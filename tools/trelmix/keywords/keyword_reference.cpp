#include "keywords/keyword_reference.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "check/warnings.h"
#include "common/ascii.h"
#include "common/errors.h"
#include "script/keywords.h"

namespace trelmix::cli {

namespace {

void PrintEntry(const KeywordInfo& k, std::ostream& out) {
    out << k.synopsis << "\n  " << k.summary
        << "\n  arguments: " << (k.arguments.empty() ? "none (the rest of the line is ignored)" : k.arguments)
        << "\n  allowed " << WhereAllowed(k.block) << '\n';
    if (k.decodesEscapes) out << "  &#xHH; in its quoted text is the byte HH (two hex digits, lower-case x)\n";
    if (k.keyboardOnly) out << "  only in the keyboard's script (--keyboard); an application script ignores the line\n";
}

std::string_view BlockName(Block block) {
    switch (block) {
    case Block::Outside: return "outside";
    case Block::RuleLevel: return "rule";
    case Block::Criteria: return "criteria";
    case Block::Action: return "action";
    }
    return "";
}

std::string_view ClauseName(Clause clause) {
    switch (clause) {
    case Clause::None: return "";
    case Clause::Length: return "length";
    case Clause::Protocol: return "protocol";
    case Clause::CodeList: return "code_list";
    case Clause::Match: return "match";
    case Clause::Wildcard: return "wildcard";
    }
    return "";
}

std::string_view KeyArgumentName(KeyArgument key) {
    switch (key) {
    case KeyArgument::None: return "";
    case KeyArgument::Text: return "text";
    case KeyArgument::Delimiter: return "delimiter";
    case KeyArgument::Seconds: return "seconds";
    case KeyArgument::FunctionKey: return "function_key";
    case KeyArgument::KeyName: return "key_name";
    case KeyArgument::KeypadKey: return "keypad_key";
    case KeyArgument::LetterOrDigit: return "letter_or_digit";
    case KeyArgument::ModifiedKey: return "modified_key";
    }
    return "";
}

std::string_view GrowthName(Growth growth) {
    switch (growth) {
    case Growth::None: return "";
    case Growth::Count: return "count";
    case Growth::Text: return "text";
    case Growth::ReplaceOnce: return "replace_once";
    case Growth::ReplaceEach: return "replace_each";
    }
    return "";
}

// One row as a JSON object: every fact of the row, by its name.
void PrintRow(const KeywordInfo& k, std::ostream& out) {
    nlohmann::ordered_json row = {
        {"name", k.name},
        {"block", BlockName(k.block)},
        {"after", BlockName(k.after)},
        {"keyboard_only", k.keyboardOnly},
        {"synopsis", k.synopsis},
        {"arguments", k.arguments},
        {"summary", k.summary},
        {"decodes_escapes", k.decodesEscapes},
        {"clause", ClauseName(k.clause)},
        {"action", k.action ? ActionKindName(*k.action) : ""},
        {"key", KeyArgumentName(k.key)},
        {"modifier", k.modifier},
        {"lengthens", k.action ? GrowthName(GrowthOf(*k.action)) : ""},
        {"from_cursor", k.action && CursorUseOf(*k.action).from},
        {"moves_cursor", k.action && CursorUseOf(*k.action).moves},
    };
    out << row.dump() << '\n';
}

}  // namespace

int KeywordsCommand(const std::string& name, Streams io, bool jsonl) {
    if (jsonl && name.empty()) {
        for (const KeywordInfo& k : Keywords()) PrintRow(k, io.out);
        return kExitOk;
    }
    if (name.empty()) {
        io.out << "The keywords of the script language, in the order a script uses them:\n";
        for (const KeywordInfo& k : Keywords()) {
            const std::string synopsis(k.synopsis);
            io.out << "  " << synopsis << std::string(synopsis.size() < 30 ? 30 - synopsis.size() : 1, ' ') << k.summary
                   << '\n';
        }
        io.out << "The SEND_ keywords work only in the keyboard's script (--keyboard). A line whose first word is "
                  "no keyword is a comment.\nRun 'trelmix keywords NAME' for where a keyword may stand and what "
                  "it takes.\n";
        return kExitOk;
    }
    std::string upper = name;
    for (char& c : upper) c = AsciiUpper(c);
    if (const KeywordInfo* k = FindKeyword(upper)) {
        if (jsonl) {
            PrintRow(*k, io.out);
        } else {
            PrintEntry(*k, io.out);
        }
        return kExitOk;
    }
    const KeywordInfo* near = NearestKeyword(std::u16string(upper.begin(), upper.end()));
    Complain(io.err, "keywords: '", name, "' is not a keyword",
             near ? "; did you mean " + std::string(near->name) + "?" : std::string(), "\nRun '", commandName,
             " keywords' for the list.");
    return kExitUsage;
}

}  // namespace trelmix::cli
