// The playground's engine: the entry points the JavaScript module calls. They
// speak the language of `trelmix run --jsonl` through the command's own code
// (its session, request parsing, answer lines, human words and diagnostics);
// nothing here decides what a script or a record does.
//
// One session at a time, as one `trelmix run` process holds one: opening a
// session, or checking a script, ends the one before. Every returned string
// stays valid until the next call.
#include <iconv.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>

#include "diagnose.h"
#include "host_id.h"
#include "human_output.h"
#include "jsonl.h"
#include "record_escapes.h"
#include "run.h"
#include "scans.h"
#include "script/compiler.h"
#include "session.h"
#include "text_encoding.h"

using nlohmann::json;
using namespace trelmix;
using namespace trelmix::cli;

namespace {

std::unique_ptr<Session> session;
HostOptions defaults;
std::vector<RunRecord> pending;    // the records the settings gave
std::vector<std::uint8_t> lastInput;
std::optional<RecordResult> last;  // the last record's result, for its words
std::string answer;

const char* Answer(std::string text) {
    answer = std::move(text);
    return answer.c_str();
}

const char* Error(const std::string& what) { return Answer(json{{"error", what}}.dump()); }

// A setting's number: a JSON number or decimal text, read as the command reads
// its options.
bool ReadNumber(const json& settings, const NumberHostOption& option, HostOptions& host, std::string& error) {
    std::string name = option.name + 2;  // --code-type: "code_type"
    std::replace(name.begin(), name.end(), '-', '_');
    if (!settings.contains(name)) return true;
    const json& v = settings[name];
    std::optional<std::uint32_t> n;
    if (v.is_number_unsigned() && v.get<std::uint64_t>() <= 0xFFFFFFFFu) n = v.get<std::uint32_t>();
    if (v.is_string()) n = ParseDecimal32(v.get<std::string>());
    if (!n) error = std::string(option.name) + ": '" + (v.is_string() ? v.get<std::string>() : v.dump()) +
                    "' is not a number from 0 to 4294967295";
    if (n) host.*option.member = *n;
    return n.has_value();
}

bool ReadFlag(const json& settings, const char* name, bool fallback) {
    return settings.contains(name) && settings[name].is_boolean() ? settings[name].get<bool>() : fallback;
}

// {"keyboard": bool, "id": GUID, "script": SCRIPT, "records": [RECORD...],
// "scans": FILE, and the host options in the words of the JSON lines:
// "code_type", "protocol", "transmit", ...}: the command line of `trelmix run`
// as options, then its records read as the command reads them.
std::optional<RunOptions> ReadSettings(const char* text, std::vector<RunRecord>& records, std::string& error) {
    const json s = json::parse(std::string(text ? text : ""), nullptr, false);
    if (!s.is_object()) {
        error = "the settings are not a JSON object";
        return std::nullopt;
    }
    RunOptions o;
    const bool keyboard = ReadFlag(s, "keyboard", false);
    const std::string id = s.contains("id") && s["id"].is_string() ? s["id"].get<std::string>() : "";
    if (keyboard && !id.empty()) {
        error = "--keyboard excludes --id";
        return std::nullopt;
    }
    const std::optional<HostId> parsed = keyboard ? KeyboardClientId
                                         : id.empty() ? kDefaultApplicationId
                                                      : ParseHostId(id);
    if (!parsed) {
        error = "--id: '" + id + "' is not a host id; write {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hex digits";
        return std::nullopt;
    }
    o.id = *parsed;
    HostOptions& h = o.host;
    for (const NumberHostOption& n : kNumberHostOptions) {
        if (!ReadNumber(s, n, h, error)) return std::nullopt;
    }
    h.transmit = ReadFlag(s, "transmit", true);
    h.capsLock = ReadFlag(s, "caps_lock", false);
    h.realTime = ReadFlag(s, "real_time", false);
    o.jsonl = true;
    o.script = s.contains("script") && s["script"].is_string() ? s["script"].get<std::string>() : "";
    if (s.contains("records") && s["records"].is_array()) {
        for (const json& r : s["records"]) o.records.push_back(r.is_string() ? r.get<std::string>() : "");
    }
    o.scans = s.contains("scans") && s["scans"].is_string() ? s["scans"].get<std::string>() : "";
    std::ostringstream err;
    const bool read = o.scans.empty() ? DecodeRecordArguments(o, records, err) : ReadScans(o.scans, o, records, err);
    if (!read) {
        error = err.str();
        while (!error.empty() && error.back() == '\n') error.pop_back();
        return std::nullopt;
    }
    return o;
}

}  // namespace

extern "C" {

// Opens a session and assigns its script: the first line `run --jsonl`
// prints, or {"error": ...} for a bad setting or record (a usage error of the
// command).
const char* trelmix_open(const char* settings) {
    try {
        last.reset();
        session.reset();
        pending.clear();
        std::string error;
        const std::optional<RunOptions> o = ReadSettings(settings, pending, error);
        if (!o) return Error(error);
        defaults = o->host;
        session = std::make_unique<Session>(o->id, o->host);
        return Answer(AssignmentLine(session->Assign(FromCommandLine(o->script))));
    } catch (...) {
        return Error("out of memory");
    }
}

// The records the settings gave (arguments or a scans file), one request line
// each.
const char* trelmix_records() {
    std::string out;
    for (const RunRecord& r : pending) {
        out += json{{"hex", EncodeHex(r.bytes.data(), r.bytes.size())}, {"code_type", r.codeType},
                    {"protocol", r.protocol}}
                   .dump() +
               "\n";
    }
    return Answer(out);
}

// One input line of `run --jsonl`: its output line, empty for a blank line.
const char* trelmix_request(const char* line) {
    try {
        last.reset();
        const std::string text = line ? line : "";
        if (text.find_first_not_of(" \t\r") == std::string::npos) return Answer("");
        if (!session) return Error("no session is open");
        std::string error;
        const auto request = ParseRequest(text, defaults.codeType, defaults.protocol, error);
        if (!request) return Error(error);
        if (request->kind == JsonRequest::Kind::Assign) return Answer(AssignmentLine(session->Assign(request->script)));
        lastInput = request->record;
        last = session->Execute(request->record, request->codeType, request->protocol);
        return Answer(ResultLine(*last));
    } catch (...) {
        return Error("out of memory");
    }
}

// The last record's result as `trelmix run` words it for a person: the record
// and its status line, then one line per thing typed, pressed or slept.
const char* trelmix_words() {
    if (!last) return Answer("");
    std::string out = FormatRecordLine(lastInput, *last) + "\n";
    for (const std::string& line : DescribeOutput(last->output)) out += "  " + line + "\n";
    return Answer(out);
}

// `trelmix check --format jsonl` on the settings' script (in the keyboard
// mode the settings and their scans file choose): one line per diagnostic,
// then {"file", "ok", "rules"}. Ends the open session.
const char* trelmix_check(const char* settings) {
    try {
        last.reset();
        session.reset();
        std::string error;
        std::vector<RunRecord> records;
        const std::optional<RunOptions> o = ReadSettings(settings, records, error);
        if (!o) return Error(error);
        platform::ScopedRecording recording;
        const Diagnosis d = Diagnose(FromCommandLine(o->script), o->script, IsKeyboardClient(o->id));
        std::string out;
        for (const Finding& f : d.findings) {
            const SourcePosition pos = Locate(d.source.text.data(), f.at);
            out += json{{"file", d.source.name},
                        {"line", pos.line},
                        {"column", pos.column},
                        {"severity", f.error ? "error" : "warning"},
                        {"message", f.message}}
                       .dump() +
                   "\n";
        }
        return Answer(out + json{{"file", d.source.name}, {"ok", d.accepted}, {"rules", d.rules}}.dump() + "\n");
    } catch (...) {
        return Error("out of memory");
    }
}

// The page has no code page but Windows-1252 (the simulated host's): the
// library's native backend finds no other, as for a code page it does not
// know, and the C library's conversion tables (a third of the module) stay out.
iconv_t iconv_open(const char*, const char*) { return reinterpret_cast<iconv_t>(-1); }
std::size_t iconv(iconv_t, char**, std::size_t*, char**, std::size_t*) { return static_cast<std::size_t>(-1); }
int iconv_close(iconv_t) { return 0; }

}  // extern "C"
