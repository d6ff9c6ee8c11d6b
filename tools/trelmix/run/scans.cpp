#include "run/scans.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/errors.h"
#include "common/host_id.h"
#include "common/record_escapes.h"

namespace trelmix::cli {

namespace {

// One option line applied to the options; an empty result, or why not.
std::string ApplyOption(const std::string& line, bool recordsSeen, RunOptions& o) {
    std::istringstream words(line);
    std::string name, value, extra;
    words >> name >> value >> extra;
    const HostOption* option = FindHostOption(name);
    const bool keyboard = name == "--keyboard";
    if (!option && !keyboard) return "unknown option " + name;
    if (recordsSeen && !(option && option->perRecord)) {
        return name + " holds for the whole run: put it before the first record";
    }
    if (option && option->number) {
        if (!extra.empty()) return name + " takes one number";
        if (const auto error = SetHostNumber(*option, value, o.host)) return *error;
    } else if (!value.empty()) {
        return name + " takes no value";
    } else if (option) {
        o.host.*option->flag = option->set;
    } else if (std::memcmp(&o.id, &kDefaultApplicationId, sizeof(HostId)) != 0 &&
               std::memcmp(&o.id, &KeyboardClientId, sizeof(HostId)) != 0) {
        return "--keyboard conflicts with the command line's --id";
    } else {
        o.id = KeyboardClientId;
    }
    return {};
}

}  // namespace

bool ReadScans(const std::string& path, RunOptions& options, std::vector<RunRecord>& records, std::ostream& err) {
    std::error_code ignored;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, ignored)) {
        Complain(err, "--scans: cannot read '", path, "'",
                 std::filesystem::is_directory(path, ignored) ? ": it is a directory" : "");
        return false;
    }
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // a UTF-8 byte-order mark
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        std::string error;
        if (line == "\"\"") {
            records.push_back({{}, options.host.codeType, options.host.protocol});  // the empty record
        } else if (line.starts_with("--")) {
            error = ApplyOption(line, !records.empty(), options);
        } else if (auto bytes = DecodeRecordArgument(line, error)) {
            records.push_back({std::move(*bytes), options.host.codeType, options.host.protocol});
        }
        if (!error.empty()) {
            Complain(err, path, ':', number, ": ", error);
            return false;
        }
    }
    return true;
}

}  // namespace trelmix::cli
