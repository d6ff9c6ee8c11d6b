#include "test/case_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "common/host_id.h"
#include "common/human_output.h"
#include "common/record_escapes.h"
#include "script/compiler.h"

namespace trelmix::cli {

namespace {

bool Indented(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Reads one file line at a time and knows where it is, for the messages.
class Reader {
public:
    Reader(const std::string& path, const std::vector<std::string>& lines, std::string& error)
        : path_(path), lines_(lines), error_(error) {}

    bool Done() const { return next_ >= lines_.size(); }
    const std::string& Peek() const { return lines_[next_]; }
    std::size_t Number() const { return next_ + 1; }  // of the line Peek gives
    std::string Take() { return lines_[next_++]; }

    bool Fail(const std::string& why) {
        error_ = path_ + ":" + std::to_string(next_) + ": " + why;
        return false;
    }

private:
    const std::string& path_;
    const std::vector<std::string>& lines_;
    std::string& error_;
    std::size_t next_ = 0;
};

// A double-quoted record at `text[at]`, with the escapes of a RECORD argument.
bool ReadRecord(Reader& in, const std::string& text, std::size_t& at, std::vector<std::uint8_t>& bytes) {
    if (at >= text.size() || text[at] != '"') return in.Fail("expected a record in double quotes");
    const std::size_t end = text.find('"', at + 1);
    if (end == std::string::npos) return in.Fail("the record's closing quote is missing");
    std::string error;
    auto decoded = DecodeRecordArgument(std::string_view(text).substr(at + 1, end - at - 1), error);
    if (!decoded) return in.Fail("record: " + error);
    bytes = std::move(*decoded);
    at = end + 1;
    return true;
}

// --code-type, --protocol (into the case) and the host's options (into the
// session); `words` are the options of one line.
bool ApplyOptions(Reader& in, const std::vector<std::string>& words, CaseFileStep& defaults, SessionSpec& session,
                  bool& sessionChanged) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (const HostOption* o = FindHostOption(w)) {
            // Per-record options go to the case (and the cases after it);
            // the others to the session's host.
            HostOptions& target = o->perRecord ? defaults.host : session.host;
            if (o->flag) {
                target.*o->flag = o->set;
            } else if (i + 1 == words.size()) {
                return in.Fail(w + " takes a number");
            } else if (const auto error = SetHostNumber(*o, words[++i], target)) {
                return in.Fail(*error);
            }
            sessionChanged |= !o->perRecord;
            continue;
        }
        if (w == "--keyboard") {
            session.keyboard = true;
            session.id = KeyboardClientId;
        } else if (w == "--id") {
            if (i + 1 == words.size()) return in.Fail("--id takes a host id");
            const auto id = ParseHostId(words[++i]);
            if (!id) return in.Fail("--id: '" + words[i] + "' is not a host id");
            session.id = *id;
            session.keyboard = IsKeyboardClient(*id);
        } else if (w == "--raw-output") {
            session.rawOutput = true;
        } else {
            return in.Fail("unknown option '" + w + "'");
        }
        sessionChanged = true;
    }
    return true;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream s(text);
    std::vector<std::string> words;
    for (std::string w; s >> w;) words.push_back(w);
    return words;
}

// `status S[ (note)][, length L]: "BYTES"`, the part after "->".
bool ReadExpectation(Reader& in, const std::string& text, Expectation& e) {
    std::istringstream s(text);
    std::string word;
    long long status = 0;
    if (!(s >> word) || word != "status" || !(s >> status)) return in.Fail("expected '-> status N: \"RECORD\"'");
    if (status < INT32_MIN || status > INT32_MAX)
        return in.Fail("the status is not a number from -2147483648 to 2147483647");
    e.status = static_cast<std::int32_t>(status);
    std::string rest;
    std::getline(s, rest);
    std::size_t at = 0;
    if (rest.compare(at, 2, " (") == 0) {
        at = rest.find(')', at);  // a note, as `run` prints it
        if (at == std::string::npos) return in.Fail("the note after the status is not closed");
        ++at;
    }
    if (rest.compare(at, 9, ", length ") == 0) {
        at += 9;
        const std::size_t colon = rest.find(':', at);
        const auto length = ParseDecimal32(rest.substr(at, colon == std::string::npos ? 0 : colon - at));
        if (!length) return in.Fail("expected a length after ', length '");
        e.length = *length;
        at = colon;
    }
    if (rest.compare(at, 2, ": ") != 0) return in.Fail("expected ': \"RECORD\"' after the status");
    at += 2;
    if (!ReadRecord(in, rest, at, e.bytes)) return false;
    if (!Trim(rest.substr(at)).empty()) return in.Fail("unexpected text after the record");
    if (e.length && *e.length == e.bytes.size()) e.length.reset();
    return true;
}

}  // namespace

std::optional<CaseFile> ReadCaseFile(const std::string& path, std::string& error) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        error = path + ": cannot read the test file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << stream.rdbuf();
    return ParseCaseFile(path, text.str(), error);
}

std::optional<CaseFile> ParseCaseFile(const std::string& path, const std::string& text, std::string& error) {
    CaseFile file;
    file.path = path;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        std::string ending = stream.eof() ? "" : "\n";
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            ending.insert(0, "\r");
        }
        file.lines.push_back(line);
        file.endings.push_back(ending);
    }

    Reader in(path, file.lines, error);
    CaseFileStep defaults;  // --code-type and --protocol of the cases that follow
    SessionSpec session;
    bool sessionChanged = true;  // the next script line starts a session
    bool scripted = false;
    while (!in.Done()) {
        const std::size_t number = in.Number();
        const std::string line = Trim(in.Take());
        if (line.empty() || line[0] == '#') continue;

        if (StartsWith(line, "script")) {
            CaseFileStep step;
            step.kind = CaseFileStep::Kind::Script;
            step.line = number;
            std::string what = Trim(line.substr(6));
            const std::size_t arrow = what.rfind("->");
            if (arrow != std::string::npos && Trim(what.substr(arrow + 2)) == "rejected") {
                step.expectRejected = true;
                what = Trim(what.substr(0, arrow));
            }
            if (what == "\"\"") {
                step.inlineScript = true;  // the empty string: the id's script is removed
            } else if (StartsWith(what, ":") && what.size() > 1) {
                // One line: the script's lines separated by " / ".
                std::string rest = Trim(what.substr(1));
                step.inlineScript = true;
                for (std::size_t cut; (cut = rest.find(" / ")) != std::string::npos; rest.erase(0, cut + 3)) {
                    step.script += rest.substr(0, cut) + "\n";
                }
                step.script += rest + "\n";
            } else if (what == ":") {
                step.inlineScript = true;
                std::size_t indent = std::string::npos;
                while (!in.Done() && Indented(in.Peek())) {
                    std::string text = in.Take();
                    if (indent == std::string::npos) indent = text.find_first_not_of(" \t");
                    // A line of blanks shorter than the indent is an empty line.
                    const std::size_t cut = std::min({indent, text.find_first_not_of(" \t"), text.size()});
                    step.script += text.substr(cut) + "\n";
                }
                if (step.script.empty())
                    return in.Fail("'script:' needs the script on the indented lines after it"), std::nullopt;
            } else if (what.size() > 2 && what.front() == '"' && what.back() == '"') {
                step.script = what.substr(1, what.size() - 2);  // a path in quotes
            } else if (!what.empty()) {
                step.script = what;
            } else {
                return in.Fail("expected 'script PATH' or 'script:' and the script on indented lines"), std::nullopt;
            }
            if (sessionChanged) file.sessions.push_back(session);
            sessionChanged = false;
            step.session = file.sessions.size() - 1;
            file.steps.push_back(std::move(step));
            scripted = true;
            continue;
        }

        // Options, then a record and its expectation, or options alone.
        const std::size_t quote = line.find('"');
        const std::vector<std::string> words = Words(line.substr(0, quote));
        CaseFileStep step = defaults;
        bool hostChanged = false;
        if (quote == std::string::npos) {
            if (words.empty() || words[0].rfind("--", 0) != 0)
                return in.Fail("expected a case, options or a script line"), std::nullopt;
            if (!ApplyOptions(in, words, defaults, session, hostChanged)) return std::nullopt;
            sessionChanged |= hostChanged;
            continue;
        }
        SessionSpec unused = session;
        if (!ApplyOptions(in, words, step, unused, hostChanged)) return std::nullopt;
        if (hostChanged) return in.Fail("only --code-type and --protocol can be given for one record"), std::nullopt;
        if (!scripted) return in.Fail("a case before the first script line"), std::nullopt;
        if (sessionChanged)
            return in.Fail("host options take effect at a script line: put one after them"), std::nullopt;
        step.kind = CaseFileStep::Kind::Case;
        step.line = number;
        std::size_t at = quote;
        if (!ReadRecord(in, line, at, step.record)) return std::nullopt;
        const std::size_t arrow = line.find("->", at);
        if (arrow == std::string::npos || !Trim(line.substr(at, arrow - at)).empty()) {
            return in.Fail("expected '-> status N: \"RECORD\"' after the record"), std::nullopt;
        }
        if (!ReadExpectation(in, Trim(line.substr(arrow + 2)), step.expected)) return std::nullopt;
        // Its output: the indented lines after it, among which blank lines
        // and comments stay what they are; an indented case is a case.
        while (!in.Done() && Indented(in.Peek())) {
            const std::string output = Trim(in.Peek());
            if (!output.empty() && (output[0] == '"' || StartsWith(output, "--") || StartsWith(output, "script")))
                break;
            const std::size_t at = in.Number();
            in.Take();
            if (output.empty() || output[0] == '#') continue;
            step.expected.output.push_back(output);
            step.outputLines.push_back(at);
        }
        file.steps.push_back(std::move(step));
    }
    if (!scripted) {
        error = path + ": no script line";
        return std::nullopt;
    }
    return file;
}

std::string FormatExpectation(const Expectation& e) {
    std::string s = "status " + std::to_string(e.status);
    if (e.length) s += ", length " + std::to_string(*e.length);
    return s + ": \"" + EscapeBytes(e.bytes.data(), e.bytes.size()) + "\"";
}

std::vector<std::string> OutputLines(const std::vector<platform::Output>& output, bool raw) {
    if (!raw) return DescribeOutput(output);
    using Kind = platform::Output::Kind;
    std::vector<std::string> lines;
    for (const platform::Output& o : output) {
        std::string line;
        if (o.kind == Kind::Inject) {
            line = "inject";
            for (std::size_t i = 0; i < o.records.size(); ++i) {
                const auto& r = o.records[i];
                line +=
                    (i ? ", " : " ") + std::to_string(r[0]) + " " + std::to_string(r[1]) + " " + std::to_string(r[2]);
            }
        } else if (o.kind == Kind::Type) {
            line = "type " + std::to_string(o.unit);
            if (o.context != 0) line += " ctx " + std::to_string(o.context);
        } else {
            line = "sleep " + std::to_string(o.milliseconds);
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace trelmix::cli
