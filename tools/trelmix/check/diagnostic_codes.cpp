#include "check/diagnostic_codes.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

namespace trelmix::cli {

namespace {

constexpr DiagnosticInfo kDiagnostics[] = {
#define TRELMIX_DIAGNOSTIC_ROW(Name, code, severity, group, summary, anchor) \
    {Code::Name, code, Severity::severity, group, summary, anchor},
    TRELMIX_DIAGNOSTICS(TRELMIX_DIAGNOSTIC_ROW)
#undef TRELMIX_DIAGNOSTIC_ROW
};

constexpr bool RowsInCodeOrder() {
    for (std::size_t i = 0; i < std::size(kDiagnostics); ++i) {
        if (static_cast<std::size_t>(kDiagnostics[i].code) != i) return false;
    }
    return true;
}
static_assert(RowsInCodeOrder());
static_assert(std::size(kDiagnostics) <= 64, "the filter keeps a bit per code");

}  // namespace

std::span<const DiagnosticInfo> Diagnostics() { return kDiagnostics; }

const DiagnosticInfo& Info(Code code) { return kDiagnostics[static_cast<std::size_t>(code)]; }

std::string_view SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "";
}

const DiagnosticInfo* FindDiagnostic(std::string_view name) {
    for (const DiagnosticInfo& d : kDiagnostics) {
        if (d.name == name) return &d;
    }
    return nullptr;
}

bool IsDiagnosticGroup(std::string_view group) {
    return std::any_of(std::begin(kDiagnostics), std::end(kDiagnostics),
                       [&](const DiagnosticInfo& d) { return d.group == group; });
}

std::string DiagnosticTableText(bool jsonl) {
    std::string out;
    for (const DiagnosticInfo& d : kDiagnostics) {
        if (jsonl) {
            const auto field = [](const char* key, std::string_view value) {
                return nlohmann::json(key).dump() + ": " + nlohmann::json(value).dump();
            };
            out += "{" + field("code", d.name) + ", " + field("severity", SeverityName(d.severity)) + ", " +
                   field("group", d.group) + ", " + field("summary", d.summary) + ", " +
                   field("docs", "docs/language.md#" + std::string(d.anchor)) + "}\n";
            continue;
        }
        std::string line(d.name);
        line.resize(24, ' ');
        line += SeverityName(d.severity);
        line.resize(33, ' ');
        line += d.group;
        line.resize(44, ' ');
        out += line + std::string(d.summary) + "\n";
    }
    return out;
}

bool DiagnosticFilter::DisableGroup(std::string_view value) {
    if (!value.starts_with("no-") || !IsDiagnosticGroup(value.substr(3))) return false;
    for (const DiagnosticInfo& d : kDiagnostics) {
        if (d.group == value.substr(3) && d.severity != Severity::Error)
            off_ |= std::uint64_t{1} << static_cast<int>(d.code);
    }
    return true;
}

bool DiagnosticFilter::DisableCode(std::string_view code) {
    const DiagnosticInfo* d = FindDiagnostic(code);
    if (!d) return false;
    if (d->severity != Severity::Error) off_ |= std::uint64_t{1} << static_cast<int>(d->code);
    return true;
}

bool DiagnosticFilter::Enabled(Code code) const { return !(off_ >> static_cast<int>(code) & 1); }

}  // namespace trelmix::cli
