// The playground's engine: the entry points the JavaScript module calls. They
// speak the language of `trelmix run --jsonl` through the command's own code
// (its session, request parsing, answer lines, human words and diagnostics);
// nothing here decides what a script or a record does.
//
// One run at a time, as one `trelmix run` process holds one: opening a run,
// or checking a script, ends the one before. Every returned string stays
// valid until the next call.
#include <iconv.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>

#include "check/check.h"
#include "common/host_id.h"
#include "common/record_escapes.h"
#include "common/session.h"
#include "run/jsonl.h"
#include "run/run.h"
#include "run/scans.h"

using nlohmann::json;
using namespace trelmix;
using namespace trelmix::cli;

namespace {

std::unique_ptr<JsonlRun> run;
std::vector<RunRecord> given;  // the records the settings gave
int usageStatus = kExitOk;     // kExitUsage after settings `run` would refuse
std::string messages;          // what `run` printed on standard error
std::string answer;

const char* Answer(std::string text) {
    answer = std::move(text);
    return answer.c_str();
}

// A host option's setting: a flag's member as true or false; a number as a
// JSON number or decimal text, read as the command reads its options.
bool ReadHostOption(const json& settings, const HostOption& option, HostOptions& host, std::string& error) {
    if (!settings.contains(option.key)) return true;
    const json& v = settings[option.key];
    if (option.flag) {
        if (v.is_boolean()) host.*option.flag = v.get<bool>();
        return true;
    }
    if (v.is_number_unsigned() && v.get<std::uint64_t>() <= 0xFFFFFFFFu) {
        host.*option.number = v.get<std::uint32_t>();
        return true;
    }
    const auto problem = SetHostNumber(option, v.is_string() ? v.get<std::string>() : v.dump(), host);
    if (problem) error = *problem;
    return !problem;
}

bool ReadFlag(const json& settings, const char* name, bool fallback) {
    return settings.contains(name) && settings[name].is_boolean() ? settings[name].get<bool>() : fallback;
}

std::string ReadText(const json& settings, const char* name) {
    return settings.contains(name) && settings[name].is_string() ? settings[name].get<std::string>() : "";
}

// {"keyboard": bool, "id": GUID, "script": SCRIPT, "records": [RECORD...],
// "scans": FILE, "text": bool, "explain": bool, and the host options in the
// words of the JSON lines: "code_type", "protocol", "transmit", ...}: the
// command line of `trelmix run --jsonl` as options.
std::optional<RunOptions> ReadSettings(const char* text, std::string& error) {
    const json s = json::parse(std::string(text ? text : ""), nullptr, false);
    if (!s.is_object()) {
        error = "the settings are not a JSON object";
        return std::nullopt;
    }
    RunOptions o;
    const bool keyboard = ReadFlag(s, "keyboard", false);
    const std::string id = ReadText(s, "id");
    if (keyboard && !id.empty()) {
        error = "--keyboard excludes --id";
        return std::nullopt;
    }
    const std::optional<HostId> parsed = keyboard     ? KeyboardClientId
                                         : id.empty() ? kDefaultApplicationId
                                                      : ParseHostId(id);
    if (!parsed) {
        error = "--id: '" + id + "' is not a host id; write {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hex digits";
        return std::nullopt;
    }
    o.id = *parsed;
    HostOptions& h = o.host;
    for (const HostOption& option : kHostOptions) {
        if (!ReadHostOption(s, option, h, error)) return std::nullopt;
    }
    o.jsonl = true;
    o.text = ReadFlag(s, "text", false);
    o.explain = ReadFlag(s, "explain", false);
    o.script = ReadText(s, "script");
    if (s.contains("records") && s["records"].is_array()) {
        for (const json& r : s["records"]) o.records.push_back(r.is_string() ? r.get<std::string>() : "");
    }
    o.scans = ReadText(s, "scans");
    return o;
}

void Close() {
    run.reset();  // one recording platform at a time: the next session or check makes its own
    given.clear();
    messages.clear();
    usageStatus = kExitOk;
}

// What the exception being handled says, for the messages.
std::string Failure() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return std::string("internal error: ") + e.what();
    } catch (...) {
        return "internal error";
    }
}

const char* Refuse(const std::string& why) {
    messages = "trelmix: " + why + "\n";
    usageStatus = kExitUsage;
    return Answer("");
}

}  // namespace

extern "C" {

// Starts `trelmix run --jsonl` with the settings: its first line (the
// assignment of SCRIPT), or nothing when run would refuse them (a usage
// error; trelmix_messages tells why).
const char* trelmix_open(const char* settings) {
    try {
        Close();
        std::string error;
        std::optional<RunOptions> o = ReadSettings(settings, error);
        if (!o) return Refuse(error);
        std::ostringstream err;
        const bool prepared = PrepareRun(*o, given, err);
        messages = err.str();
        if (!prepared) {
            usageStatus = kExitUsage;
            return Answer("");
        }
        run = std::make_unique<JsonlRun>(*o);
        return Answer(run->first());
    } catch (...) {
        Close();
        return Refuse(Failure());
    }
}

// What the run printed on standard error: the script's warnings, or why it
// refused its settings.
const char* trelmix_messages() { return Answer(messages); }

// The exit status the run would end with now.
int trelmix_status() { return run ? run->status() : usageStatus; }

// The records the settings gave (arguments or a scans file), one request line
// each.
const char* trelmix_records() {
    std::string out;
    for (const RunRecord& r : given) {
        out +=
            json{
                {"hex", EncodeHex(r.bytes.data(), r.bytes.size())}, {"code_type", r.codeType}, {"protocol", r.protocol}}
                .dump() +
            "\n";
    }
    return Answer(out);
}

// The answers to the records the settings gave, one line each, as run prints
// them.
const char* trelmix_given() {
    std::string out;
    for (const RunRecord& r : given) {
        try {
            out += (run ? run->Given(r) : "") + "\n";
        } catch (...) {  // this record's answer says why; the others stand
            out += "{\"error\": " + JsonQuoted(Failure()) + "}\n";
        }
    }
    return Answer(out);
}

// One input line of `run --jsonl` (`length` bytes, NULs included): its output
// line ({"error": ...} for a bad line), empty for a blank line.
const char* trelmix_request(const char* line, int length) {
    try {
        if (!run) return Answer("");
        const std::string text = line ? std::string(line, static_cast<std::size_t>(std::max(length, 0))) : "";
        return Answer(run->Answer(text).value_or(""));
    } catch (...) {
        return Answer("{\"error\": " + JsonQuoted(Failure()) + "}");
    }
}

// The latest record's result as `trelmix run` tells it to a person: the
// record and its status line, one line per thing typed, pressed or slept,
// and its trace when it was explained.
const char* trelmix_words() {
    if (!run || !run->last()) return Answer("");
    const JsonlRun::Record& r = *run->last();
    std::ostringstream out;
    PrintResult(r.input, r.result, r.trace ? &*r.trace : nullptr, out);
    return Answer(out.str());
}

// `trelmix check --format jsonl` on the settings' script, with the id they
// (or their scans file) give: one line per diagnostic, then {"file", "ok", "rules"}; what check
// printed on standard error goes to trelmix_messages. Ends the open session.
const char* trelmix_check(const char* settings) {
    try {
        Close();
        std::string error;
        std::optional<RunOptions> o = ReadSettings(settings, error);
        if (!o) return Refuse(error);
        std::vector<RunRecord> records;
        std::ostringstream ignored;                                        // the run tells of a bad scans file
        if (!o->scans.empty()) ReadScans(o->scans, *o, records, ignored);  // its --keyboard line holds
        CheckOptions c;
        c.id = o->id;
        c.scripts = {o->script};
        c.jsonl = true;
        c.text = o->text;
        std::istringstream in;
        std::ostringstream out, err;
        CheckCommand(c, {in, out, err});
        messages = err.str();
        return Answer(out.str());
    } catch (...) {
        return Refuse(Failure());
    }
}

// The page has no code page but Windows-1252 (the simulated host's): the
// library's native backend finds no other, as for a code page it does not
// know, and the C library's conversion tables (a third of the module) stay out.
iconv_t iconv_open(const char*, const char*) { return reinterpret_cast<iconv_t>(-1); }
std::size_t iconv(iconv_t, char**, std::size_t*, char**, std::size_t*) { return static_cast<std::size_t>(-1); }
int iconv_close(iconv_t) { return 0; }

}  // extern "C"
