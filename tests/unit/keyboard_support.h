// Renders what the recording platform saw as one line, for tables of cases:
// an injection as <d13 u13> (virtual keys, d down, u up; with scan codes
// <d13/1c u13/1c>), a typed unit as the character (U+20AC beyond ASCII), a
// sleep as z50; tokens separated by single spaces.
#pragma once

#include <cstdio>
#include <string>

#include "platform/simulated/simulated_host.h"

namespace trelmix::test {

inline std::string Render(const platform::RecordingPlatform& r, bool withScanCodes = false) {
    std::string s;
    char buf[32];
    for (const platform::Output& o : r.output) {
        if (!s.empty()) s += ' ';
        switch (o.kind) {
        case platform::Output::Kind::Inject:
            s += '<';
            for (std::size_t i = 0; i < o.records.size(); ++i) {
                const auto& rec = o.records[i];
                const char* dir = rec[2] == 0 ? "d" : rec[2] == TRLM_KEY_UP ? "u" : "?";
                if (withScanCodes) {
                    std::snprintf(buf, sizeof buf, "%s%u/%x", dir, rec[0], rec[1]);
                } else {
                    std::snprintf(buf, sizeof buf, "%s%u", dir, rec[0]);
                }
                s += (i ? " " : "") + std::string(buf);
            }
            s += '>';
            break;
        case platform::Output::Kind::Type:
            if (o.unit > 0x20 && o.unit < 0x7F) {
                s += static_cast<char>(o.unit);
            } else {
                std::snprintf(buf, sizeof buf, "U+%04X", o.unit);
                s += buf;
            }
            break;
        case platform::Output::Kind::Sleep: s += "z" + std::to_string(o.milliseconds); break;
        }
    }
    return s;
}

}  // namespace trelmix::test
