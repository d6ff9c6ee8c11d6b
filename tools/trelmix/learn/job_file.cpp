#include "learn/job_file.h"

#include <sstream>
#include <vector>

#include "test/case_file.h"

namespace trelmix::learn {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The line before which the script line goes; npos when the file has one.
std::size_t ScriptLineAt(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t start = lines[i].find_first_not_of(" \t");
        if (start == std::string::npos || lines[i][start] == '#') continue;
        if (lines[i].compare(start, 6, "script") == 0) return std::string::npos;
        if (lines[i].find('"') != std::string::npos) return i;
    }
    return lines.size();
}

}  // namespace

std::string WithScriptLine(const std::string& text, const std::string& line) {
    std::vector<std::string> lines = Lines(text);
    const std::size_t at = ScriptLineAt(lines);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at == std::string::npos ? 0 : at), line);
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

std::size_t OwnLine(const std::string& text, std::size_t line) {
    const std::size_t at = ScriptLineAt(Lines(text));
    return at != std::string::npos && line > at ? line - 1 : line;
}

std::optional<Job> ReadJob(const std::string& name, const std::string& text, std::string& error) {
    if (ScriptLineAt(Lines(text)) == std::string::npos) {
        error = name + ": learn writes the script itself; remove the file's script line";
        return std::nullopt;
    }
    const auto own = [&](std::size_t line) { return OwnLine(text, line); };
    const auto file = cli::ParseCaseFile(name, WithScriptLine(text, "script \"\""), error);
    if (!file) {
        const std::size_t colon = error.rfind(name + ":", 0) == 0 ? name.size() + 1 : std::string::npos;
        if (colon != std::string::npos && colon < error.size() &&
            std::isdigit(static_cast<unsigned char>(error[colon]))) {
            const std::size_t end = error.find(':', colon);
            error = name + ":" + std::to_string(own(std::stoul(error.substr(colon, end - colon)))) + error.substr(end);
        }
        return std::nullopt;
    }
    if (file->sessions.size() > 1) {
        error = name + ": learn takes the cases of one host; host options go before the first case";
        return std::nullopt;
    }
    if (file->sessions.back().rawOutput) {
        error = name + ": learn reads the output in words; drop --raw-output";
        return std::nullopt;
    }
    Job job;
    job.keyboard = file->sessions.back().keyboard;
    for (const cli::CaseFileStep& step : file->steps) {
        if (step.kind != cli::CaseFileStep::Kind::Case) continue;
        Example e;
        e.record = step.record;
        e.codeType = step.host.codeType;
        e.protocol = step.host.protocol;
        e.status = step.expected.status;
        e.result = step.expected.bytes;
        e.output = step.expected.output;
        e.line = own(step.line);
        e.where = name + ":" + std::to_string(e.line);
        job.examples.push_back(std::move(e));
    }
    if (job.examples.empty()) {
        error = name + ": no cases to learn from";
        return std::nullopt;
    }
    return job;
}

}  // namespace trelmix::learn
