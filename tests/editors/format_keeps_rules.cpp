// Formatting never changes what a script does: every script of the
// repository (the .trelmix files and the language guide's examples) and
// generated ones compile to the same rules, or fail with the same reason,
// before and after formatting, in both modes; and it leaves no line of blanks.
//
// Usage: format_keeps_rules ROOT
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "generator.h"
#include "lsp/language.h"
#include "platform/simulated/simulated_host.h"
#include "script/compiler.h"

using namespace trelmix;

namespace {

std::string Bytes(const ByteArg& a) { return std::string(a.bytes.begin(), a.bytes.end()) + (a.isNumber ? "#" : "'"); }

// What a run can tell apart: each rule's ruleset, criteria and action block,
// and every action's kind and arguments; or the rejection's reason.
std::string Compiled(const std::string& bytes, bool keyboard) {
    std::u16string units(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i < bytes.size(); ++i) units[i] = static_cast<unsigned char>(bytes[i]);
    Program script;
    CompileReport report;
    if (!CompileScript(script, units.c_str(), keyboard, &report)) return "rejected: " + report.error.reason;
    std::ostringstream out;
    for (const Rule& r : script.rules) {
        out << "rule " << r.ruleset;
        if (const auto& c = r.criteria) {
            out << " criteria " << c->length << ' ' << c->protocol << ' ' << Bytes(c->match) << ' ' << c->matchPosition
                << ' ' << Bytes(c->wildcard);
            for (std::uint32_t code : c->codes) out << ' ' << code;
        }
        if (r.actions) out << " actions " << r.actions->first << '+' << r.actions->count;
        out << '\n';
    }
    for (const Action& a : script.actions) {
        out << static_cast<int>(a.kind) << ' ' << a.count << ' ' << Bytes(a.arg1) << ' ' << Bytes(a.arg2) << '\n';
    }
    return out.str();
}

// A generated script laid out anew: each line indented any way and ended by
// any line break, with comments, lines of blanks and a vertical tab now and
// then, and a third of the scripts mutated byte by byte.
std::string Generated(reference::Choices& c) {
    reference::GeneratedCase g = reference::GenerateCase(c);
    std::string text;
    std::istringstream lines(g.script);
    for (std::string line; std::getline(lines, line);) {
        if (c.OneIn(8)) line = c.OneIn(2) ? "  # BEGIN_RULE" : c.OneIn(2) ? "\t" : "\v" + line;
        text += std::string(c.Below(9), c.OneIn(2) ? ' ' : '\t') + line + (c.OneIn(3) ? "  " : "") +
                (c.OneIn(3)   ? "\r\n"
                 : c.OneIn(4) ? "\r"
                              : "\n");
    }
    return text;
}

std::vector<std::pair<std::string, std::string>> RepositoryScripts(const std::filesystem::path& root) {
    std::vector<std::pair<std::string, std::string>> scripts;
    for (const char* folder : {"examples", "tests", "docs"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const auto extension = entry.path().extension();
            if (!entry.is_regular_file() || (extension != ".trelmix" && extension != ".md")) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            if (extension == ".trelmix") scripts.emplace_back(entry.path().string(), text);
            if (extension != ".md") continue;
            // The guide's examples: ```trelmix blocks.
            for (std::size_t at = text.find("```trelmix\n"); at != std::string::npos;
                 at = text.find("```trelmix\n", at)) {
                at += 11;
                scripts.emplace_back(entry.path().string() + "@" + std::to_string(at),
                                     text.substr(at, text.find("```", at) - at));
            }
        }
    }
    return scripts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const platform::ScopedRecording recording;  // every compilation writes its load event
    auto scripts = RepositoryScripts(argv[1]);
    const std::size_t fromRepository = scripts.size();
    reference::Choices choices(30);
    for (int i = 0; i < 3000; ++i) scripts.emplace_back("generated " + std::to_string(i), Generated(choices));
    int failures = 0, changed = 0, compiled = 0;
    for (const auto& [name, text] : scripts) {
        const std::string formatted = trelmix::cli::lsp::Format(text);
        changed += formatted != text;
        static const std::regex kLineOfBlanks("(^|[\r\n])[ \t]+([\r\n]|$)");
        if (std::regex_search(formatted, kLineOfBlanks) && ++failures <= 3) std::cerr << name << ": a line of blanks\n";
        for (bool keyboard : {false, true}) {
            const std::string before = Compiled(text, keyboard), after = Compiled(formatted, keyboard);
            compiled += !before.starts_with("rejected");
            if (before == after) continue;
            if (++failures <= 3)
                std::cerr << name << (keyboard ? " (keyboard)" : "") << ": formatting changed\n"
                          << before << "to\n"
                          << after;
        }
    }
    std::cout << fromRepository << " repository scripts, " << scripts.size() - fromRepository << " generated; "
              << changed << " reformatted, " << compiled << " compilations accepted; " << failures << " changed\n";
    return failures == 0 && fromRepository > 40 ? 0 : 1;
}
