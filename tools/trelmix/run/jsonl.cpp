#include "run/jsonl.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "check/diagnose.h"
#include "common/record_escapes.h"
#include "common/text_encoding.h"
#include "run/explain.h"
#include "script/compiler.h"

namespace trelmix::cli {

namespace {

using nlohmann::json;

std::string Quoted(const std::string& text) { return JsonQuoted(text); }

}  // namespace

std::string OutputEntry(const platform::Output& o) {
    using Kind = platform::Output::Kind;
    switch (o.kind) {
    case Kind::Inject: {
        std::string s = "{\"inject\": [";
        for (std::size_t i = 0; i < o.records.size(); ++i) {
            const auto& r = o.records[i];
            s += (i ? ", [" : "[") + std::to_string(r[0]) + ", " + std::to_string(r[1]) + ", " + std::to_string(r[2]) +
                 "]";
        }
        return s + "]}";
    }
    case Kind::Type: return "{\"type\": " + std::to_string(o.unit) + ", \"ctx\": " + std::to_string(o.context) + "}";
    case Kind::Sleep: return "{\"sleep\": " + std::to_string(o.milliseconds) + "}";
    }
    return "{}";
}

namespace {

std::optional<std::uint32_t> Number32(const json& value) {
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        if (v <= 0xFFFFFFFFu) return static_cast<std::uint32_t>(v);
    }
    return std::nullopt;
}

}  // namespace

std::string AssignmentLine(const Assignment& a) {
    std::string s = std::string("{\"assigned\": ") + (a.assigned ? "true" : "false") + ", \"events\": [";
    for (std::size_t i = 0; i < a.events.size(); ++i) s += (i ? ", " : "") + Quoted(ToTerminal(a.events[i]));
    return s + "]}";
}

std::string ResultLine(const RecordResult& r) {
    std::string s = "{\"status\": " + std::to_string(r.status) + ", \"length\": " + std::to_string(r.length) +
                    ", \"hex\": \"" + EncodeHex(r.bytes.data(), r.bytes.size()) + "\", \"output\": [";
    for (std::size_t i = 0; i < r.output.size(); ++i) s += (i ? ", " : "") + OutputEntry(r.output[i]);
    return s + "]}";
}

std::optional<JsonRequest> ParseRequest(const std::string& line, std::uint32_t codeType, std::uint32_t protocol,
                                        std::string& error) {
    // The JSON reader stops at a NUL as at the end: what follows would go unread.
    const json j =
        line.find('\0') == std::string::npos ? json::parse(line, nullptr, false) : json(json::value_t::discarded);
    if (j.is_discarded()) {
        error = "not valid JSON";
        return std::nullopt;
    }
    if (!j.is_object()) {
        error = "expected an object: {\"hex\": ...} or {\"assign\": ...}";
        return std::nullopt;
    }
    JsonRequest request;
    if (j.contains("assign")) {
        if (j.size() != 1) {
            error = "an {\"assign\": ...} line takes no other field";
            return std::nullopt;
        }
        if (!j["assign"].is_string()) {
            error = "\"assign\" must be a string";
            return std::nullopt;
        }
        request.kind = JsonRequest::Kind::Assign;
        request.script = FromCommandLine(j["assign"].get<std::string>());
        return request;
    }
    if (!j.contains("hex")) {
        error = "expected a \"hex\" or an \"assign\" field";
        return std::nullopt;
    }
    request.codeType = codeType;
    request.protocol = protocol;
    for (const auto& [key, value] : j.items()) {
        if (key == "hex") {
            auto bytes = value.is_string() ? DecodeHex(value.get<std::string>()) : std::nullopt;
            if (!bytes) {
                error = "\"hex\" must be a string of hex digit pairs";
                return std::nullopt;
            }
            request.record = std::move(*bytes);
        } else if (key == "explain") {
            if (!value.is_boolean()) {
                error = "\"explain\" must be true or false";
                return std::nullopt;
            }
            request.explain = value.get<bool>();
        } else if (key == "code_type" || key == "protocol") {
            const auto number = Number32(value);
            if (!number) {
                error = "\"" + key + "\" must be a whole number from 0 to 4294967295";
                return std::nullopt;
            }
            (key == "code_type" ? request.codeType : request.protocol) = *number;
        } else {
            error = "unknown field \"" + key + "\"";
            return std::nullopt;
        }
    }
    return request;
}

JsonlRun::JsonlRun(const RunOptions& o) : options_(o), engine_(OpenEngine(o)), explainer_() {
    const std::u16string script = FromCommandLine(o.script);
    explainer_.Assigned(script);
    const Assignment a = engine_->Assign(script);
    assigned_ = a.assigned;
    first_ = AssignmentLine(a);
}

std::string JsonlRun::Run(const std::vector<std::uint8_t>& record, std::uint32_t codeType, std::uint32_t protocol,
                          bool explain) {
    const auto execute = [&] { return engine_->Execute(record, codeType, protocol); };
    if (!explain) {
        last_ = Record{record, execute(), std::nullopt};
        return ResultLine(last_->result);
    }
    Trace trace;
    last_ = Record{record, explainer_.Run(execute, trace), std::nullopt};
    std::string line = ResultLine(last_->result);
    const std::string untraced = trace.empty() ? engine_->Untraced() : "";
    line.insert(line.size() - 1,
                untraced.empty() ? ", \"trace\": " + TraceJson(trace) : ", \"untraced\": " + Quoted(untraced));
    last_->trace = std::move(trace);
    return line;
}

std::string JsonlRun::Given(const RunRecord& r) { return Run(r.bytes, r.codeType, r.protocol, options_.explain); }

std::optional<std::string> JsonlRun::Answer(const std::string& line) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) return std::nullopt;  // blank lines are skipped
    std::string error;
    const auto request = ParseRequest(line, options_.host.codeType, options_.host.protocol, error);
    if (!request) {
        badLine_ = true;
        return "{\"error\": " + Quoted(error) + "}";
    }
    if (request->kind == JsonRequest::Kind::Record) {
        return Run(request->record, request->codeType, request->protocol, request->explain || options_.explain);
    }
    std::ostringstream missing;  // a file name that names no file is refused, as SCRIPT is
    if (!options_.text && ReportMissingFile(ToTerminal(request->script), missing)) {
        badLine_ = true;
        std::string why = missing.str();
        why = why.substr(why.find(' ') + 1);
        return "{\"error\": " + Quoted(why.substr(0, why.size() - 1)) + "}";
    }
    explainer_.Assigned(request->script);
    return AssignmentLine(engine_->Assign(request->script));
}

int RunJsonl(const RunOptions& o, const std::vector<RunRecord>& records, Streams io) {
    JsonlRun run(o);
    io.out << run.first() << '\n' << std::flush;
    if (RecordsGiven(o)) {
        for (const RunRecord& r : records) io.out << run.Given(r) << '\n';
        io.out.flush();
        return run.status();
    }
    std::string line;
    while (std::getline(io.in, line)) {
        if (const auto answer = run.Answer(line)) io.out << *answer << '\n' << std::flush;
    }
    return run.status();
}

}  // namespace trelmix::cli
