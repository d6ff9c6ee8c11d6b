#include "check/diagnose.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <utility>

#include "common/errors.h"
#include "common/text_encoding.h"
#include "host/script_source.h"
#include "platform/codepage.h"
#include "script/compiler.h"
#include "script/diagnostic.h"

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

// The end of the word or quoted text at `at`, else the one character there.
const char16_t* TokenEnd(const char16_t* at) {
    auto word = [](char16_t c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
    };
    const char16_t* end = LineEnd(at);
    if (at == end) return at;
    const char16_t* p = at + 1;
    if (word(*at)) {
        while (p < end && word(*p)) ++p;
    } else if (*at == u'\'') {
        while (p < end && !(*p == u'\'' && p[-1] != u'\\')) ++p;
        if (p < end) ++p;
    }
    return p;
}

// What the terminal shows for a stretch of a line: a file's bytes as they
// stand when the line is UTF-8, else each byte as Windows-1252 shows it.
std::string Shown(const ScriptSource& source, std::u16string_view part, bool utf8Line) {
    if (source.kind != ScriptSource::Kind::File) return ToTerminal(part);
    if (utf8Line) return ToFileBytes(part);
    std::u16string decoded(part);
    for (char16_t& u : decoded) u = platform::DecodeCp1252(static_cast<std::uint8_t>(u));
    return ToTerminal(decoded);
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

// A message on one line: control characters as \xHH.
std::string OneLine(const std::string& message) {
    std::string out;
    for (const char c : message) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            out.push_back(c);
        } else {
            out += "\\x";
            out.push_back("0123456789ABCDEF"[b >> 4]);
            out.push_back("0123456789ABCDEF"[b & 0xF]);
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
    return Diagnose(LoadScriptSource(string, argument), keyboardMode);
}

Diagnosis Diagnose(ScriptSource source, bool keyboardMode) {
    Diagnosis d;
    d.source = std::move(source);
    if (d.source.kind == ScriptSource::Kind::Empty || d.source.kind == ScriptSource::Kind::Unreadable) {
        return d;
    }
    const char16_t* text = d.source.text.data();
    trelmix::Program program;
    CompileReport report;
    d.accepted = CompileScript(program, text, keyboardMode, &report);
    d.rules = program.rules.size();
    const CompiledText compiled{
        {text, d.source.text.size() - 1}, d.source.kind == ScriptSource::Kind::File, keyboardMode, program, report};
    d.findings = CollectWarnings(compiled);
    for (const char16_t* line : report.ignoredLines) {
        const std::u16string_view ignored(line, static_cast<std::size_t>(LineEnd(line) - line));
        if (!keyboardMode && LeadingKeyword(ignored, true)) {
            d.ignoredSends.push_back(line);
        }
    }
    if (!d.accepted) {
        const char16_t* at = report.error.at ? report.error.at : text;
        // What is missing at the end of a line belongs after its last
        // character, not after the blanks that trail it.
        if (at == LineEnd(at)) {
            for (const char16_t* start = LineStart(text, at); at > start && (at[-1] == u' ' || at[-1] == u'\t');) --at;
        }
        Finding error{at, Code::ScriptRejected, report.error.reason, ErrorHint(compiled)};
        // "text" for 'text', when the text holds no quote of either kind.
        if (*error.at == u'"') {
            const std::u16string_view rest =
                LineEnd(error.at) == error.at
                    ? std::u16string_view{}
                    : std::u16string_view(error.at + 1, static_cast<std::size_t>(LineEnd(error.at) - error.at - 1));
            const std::size_t close = rest.find_first_of(u"\"'");
            if (close != rest.npos && rest[close] == u'"') {
                error.fixes = {{error.at, error.at + 1, "'"}, {rest.data() + close, rest.data() + close + 1, "'"}};
            }
        }
        d.findings.push_back(std::move(error));
    }
    return d;
}

Place PlaceOf(const ScriptSource& source, const Finding& finding, Locator* locate) {
    const char16_t* text = source.text.data();
    const char16_t* start = LineStart(text, finding.at);
    const char16_t* end = std::clamp(finding.end ? finding.end : TokenEnd(finding.at), finding.at, LineEnd(finding.at));
    const SourcePosition pos = locate ? (*locate)(finding.at) : Locate(text, finding.at);
    Place place{pos.line, pos.column, 0};
    if (source.kind == ScriptSource::Kind::File) {
        place.column =
            static_cast<std::uint32_t>(CountFileCharacters({start, static_cast<std::size_t>(finding.at - start)}) + 1);
        place.endColumn =
            static_cast<std::uint32_t>(CountFileCharacters({start, static_cast<std::size_t>(end - start)}) + 1);
    } else {
        place.endColumn = Locate(text, end).column;
    }
    return place;
}

std::string FormatFinding(const ScriptSource& source, const Finding& finding, Locator* locate) {
    const char16_t* text = source.text.data();
    const char16_t* start = LineStart(text, finding.at);
    const char16_t* end = LineEnd(finding.at);
    const std::u16string_view before(start, static_cast<std::size_t>(finding.at - start));
    const std::u16string_view line(start, static_cast<std::size_t>(end - start));
    const Place place = PlaceOf(source, finding, locate);

    std::string out = source.name + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) + ": " +
                      std::string(SeverityName(finding.severity())) + ": " +
                      OneLine(finding.message + (finding.hint.empty() ? "" : "; " + finding.hint)) + "\n";
    const bool utf8 = IsUtf8(ToFileBytes(line));
    out += "  " + Shown(source, line, utf8) + "\n";
    out += "  " + CaretIndent(Shown(source, before, utf8)) + "^\n";
    return out;
}

void FormatFindings(const ScriptSource& source, const std::vector<Finding>& findings, std::ostream& out) {
    Locator locate(source.text.data());
    for (const Finding& f : findings) out << FormatFinding(source, f, &locate);
}

namespace {

// {"key": value, ...} with the blanks of the run --jsonl lines.
std::string JsonLine(const nlohmann::ordered_json& object) {
    std::string out = "{";
    for (const auto& [key, value] : object.items()) {
        if (out.size() > 1) out += ", ";
        out += nlohmann::json(key).dump() + ": " + value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    return out + "}";
}

}  // namespace

std::string FindingJson(const ScriptSource& source, const Finding& finding, Locator* locate) {
    const Place place = source.text.empty() ? Place{1, 1, 1} : PlaceOf(source, finding, locate);
    nlohmann::ordered_json j;
    j["file"] = source.name;
    j["line"] = place.line;
    j["column"] = place.column;
    j["end_column"] = place.endColumn;
    j["severity"] = SeverityName(finding.severity());
    j["code"] = Info(finding.code).name;
    j["message"] = finding.message;
    if (!finding.hint.empty()) j["hint"] = finding.hint;
    std::string fixes;
    for (const Fix& fix : finding.fixes) {
        const Place at = PlaceOf(source, {fix.from, finding.code, "", "", fix.to}, locate);
        nlohmann::ordered_json f;
        f["line"] = at.line;
        f["column"] = at.column;
        f["end_column"] = at.endColumn;
        f["text"] = fix.text;
        fixes += (fixes.empty() ? "" : ", ") + JsonLine(f);
    }
    std::string line = JsonLine(j);
    if (!fixes.empty()) line.insert(line.size() - 1, ", \"fix\": [" + fixes + "]");
    return line;
}

std::string SummaryJson(const ScriptSource& source, bool ok, std::size_t rules) {
    nlohmann::ordered_json j;
    j["file"] = source.name;
    j["ok"] = ok;
    if (ok) j["rules"] = rules;  // a rejected script has none
    return JsonLine(j);
}

std::string SourceProblemReason(const ScriptSource& source) {
    switch (source.kind) {
    case ScriptSource::Kind::Empty: return "the script is empty (an empty string removes the id's script)";
    case ScriptSource::Kind::Unreadable: return "cannot read the script file";
    default: return "";
    }
}

Code SourceProblemCode(const ScriptSource& source) {
    return source.kind == ScriptSource::Kind::Empty ? Code::ScriptEmpty : Code::FileUnreadable;
}

std::string SourceProblem(const ScriptSource& source) {
    const std::string reason = SourceProblemReason(source);
    return reason.empty() ? reason : source.name + ": error: " + reason;
}

bool LooksLikeMissingFile(const std::string& argument) {
    const std::u16string script = FromCommandLine(argument);
    if (script.empty() || script.find_first_of(u"\r\n") != script.npos) return false;
    std::vector<char16_t> path(script.begin(), script.end());
    path.push_back(0);
    if (IsScriptPath(path.data())) return false;
    std::string lower = argument;
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    if (lower.ends_with(".trelmix") || lower.ends_with(".txt")) return true;
    return script.find_first_of(u" \t") == script.npos &&
           std::none_of(Keywords().begin(), Keywords().end(), [&](const KeywordInfo& k) {
               return script.find(std::u16string(k.name.begin(), k.name.end())) != script.npos;
           });
}

std::string MissingFileReason() { return "no such file (give --text to take it as script text)"; }

bool ReportMissingFile(const std::string& argument, std::ostream& err) {
    const bool missing = LooksLikeMissingFile(argument);
    if (missing) Complain(err, argument, ": ", MissingFileReason());
    return missing;
}

}  // namespace trelmix::cli
