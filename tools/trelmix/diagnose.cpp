#include "diagnose.h"

#include <string_view>

#include "host/script_source.h"
#include "script/compiler.h"
#include "script/diagnostic.h"
#include "text_encoding.h"

namespace trelmix::cli {

namespace {

const char16_t* LineStart(const char16_t* text, const char16_t* at) {
    while (at > text && at[-1] != u'\r' && at[-1] != u'\n') --at;
    return at;
}

const char16_t* LineEnd(const char16_t* at) {
    while (*at && *at != u'\r' && *at != u'\n') ++at;
    return at;
}

// What the terminal shows for a stretch of the text.
std::string Shown(const ScriptSource& source, std::u16string_view part) {
    return source.kind == ScriptSource::Kind::File ? ToFileBytes(part) : ToTerminal(part);
}

// Blanks under `prefix` that line up with it in a terminal: tabs stay tabs.
std::string CaretIndent(const std::string& prefix) {
    std::string out;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto c = static_cast<unsigned char>(prefix[i]);
        if (c == '\t') {
            out.push_back('\t');
        } else if ((c & 0xC0) != 0x80) {  // one blank per UTF-8 character
            out.push_back(' ');
        }
    }
    return out;
}

}  // namespace

ScriptSource LoadScriptSource(const std::u16string& string, const std::string& argument) {
    ScriptSource source;
    std::vector<char16_t> buffer(string.begin(), string.end());
    buffer.push_back(0);
    if (buffer[0] == 0) {
        source.kind = ScriptSource::Kind::Empty;
        source.name = "<inline>";
        return source;
    }
    if (IsScriptPath(buffer.data())) {
        source.name = argument;
        if (auto text = ReadScriptFile(buffer.data())) {
            source.kind = ScriptSource::Kind::File;
            source.text = std::move(*text);
        } else {
            source.kind = ScriptSource::Kind::Unreadable;
        }
        return source;
    }
    UnescapeEntities(buffer.data());
    source.kind = ScriptSource::Kind::Inline;
    source.name = "<inline>";
    source.text = std::move(buffer);
    return source;
}

Diagnosis Diagnose(const std::u16string& string, const std::string& argument, bool keyboardMode) {
    Diagnosis d;
    d.source = LoadScriptSource(string, argument);
    if (d.source.kind == ScriptSource::Kind::Empty || d.source.kind == ScriptSource::Kind::Unreadable) {
        return d;
    }
    const char16_t* text = d.source.text.data();
    Script script;
    CompileReport report;
    d.accepted = CompileScript(script, text, keyboardMode, &report);
    d.rules = script.rules.size();
    d.findings = CollectWarnings(text, script, report, keyboardMode);
    if (!d.accepted) {
        d.findings.push_back({report.error.at ? report.error.at : text, true, report.error.reason});
    }
    return d;
}

std::string FormatFinding(const ScriptSource& source, const Finding& finding) {
    const char16_t* text = source.text.data();
    const char16_t* start = LineStart(text, finding.at);
    const char16_t* end = LineEnd(finding.at);
    const std::u16string_view before(start, static_cast<std::size_t>(finding.at - start));
    const std::u16string_view line(start, static_cast<std::size_t>(end - start));

    const SourcePosition pos = Locate(text, finding.at);
    const std::size_t column =
        source.kind == ScriptSource::Kind::File ? CountFileCharacters(before) + 1 : pos.column;

    std::string out = source.name + ":" + std::to_string(pos.line) + ":" + std::to_string(column) + ": " +
                      (finding.error ? "error: " : "warning: ") + finding.message + "\n";
    out += "  " + Shown(source, line) + "\n";
    out += "  " + CaretIndent(Shown(source, before)) + "^\n";
    return out;
}

std::string SourceProblem(const ScriptSource& source) {
    switch (source.kind) {
    case ScriptSource::Kind::Empty:
        return source.name + ": error: the script is empty (an empty string removes the id's script)";
    case ScriptSource::Kind::Unreadable:
        return source.name + ": error: cannot read the script file";
    default:
        return "";
    }
}

}  // namespace trelmix::cli
