#include "common/human_output.h"

#include "common/key_names.h"
#include "common/record_escapes.h"

namespace trelmix::cli {

namespace {

const char* StatusNote(std::int32_t status) {
    switch (status) {
    case TRLM_STATUS_NO_ACTION_BLOCK: return " (stopped at a rule without an action block)";
    case TRLM_STATUS_NO_SCRIPT: return " (no script)";
    case TRLM_STATUS_EMPTY_RULE: return " (stopped at a rule without criteria and with an empty action block)";
    case TRLM_STATUS_OUT_OF_MEMORY: return " (out of memory)";
    case TRLM_STATUS_TOO_LONG: return " (the edited record is longer than the buffer)";
    default: return "";
    }
}

}  // namespace

std::string FormatRecordLine(const std::vector<std::uint8_t>& input, const RecordResult& r) {
    return "\"" + EscapeBytes(input.data(), input.size()) + "\" -> status " + std::to_string(r.status) +
           StatusNote(r.status) + ", length " + std::to_string(r.length) + ": \"" +
           EscapeBytes(r.bytes.data(), r.bytes.size()) + "\"";
}

std::vector<std::string> DescribeOutput(const std::vector<platform::Output>& output) {
    using Kind = platform::Output::Kind;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < output.size();) {
        const platform::Output& o = output[i];
        if (o.kind == Kind::Type) {
            std::vector<std::uint32_t> units;
            std::size_t j = i;
            while (j < output.size() && output[j].kind == Kind::Type && output[j].context == o.context) {
                units.push_back(output[j].unit);
                ++j;
            }
            std::string line = "typed \"" + EscapeUnits(units) + "\"";
            if (o.context != 0) line += " (typing context " + std::to_string(o.context) + ")";
            lines.push_back(line);
            i = j;
            continue;
        }
        if (o.kind == Kind::Inject) {
            lines.push_back(DescribeInjection(o.records));
        } else {
            lines.push_back("slept " + std::to_string(o.milliseconds) + " ms");
        }
        ++i;
    }
    return lines;
}

std::string Plural(std::uint64_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace trelmix::cli
