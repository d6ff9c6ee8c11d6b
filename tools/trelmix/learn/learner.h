// `trelmix learn`: writes a script from records and what each must give.
//
// The search is enumerative. Each changed record is aligned with its result
// to propose edits (text in front or behind, inserts at an offset or beside a
// text, replacements, space and zero removal, padding to a width), and for the
// keyboard the typed and pressed lines become send actions. Criteria come
// from what the records share: code types, lengths, protocol, leading and
// trailing text, text anywhere. A rule list is then chosen over subsets of
// the records, ranked by: fewer rules; anchored criteria before text found
// anywhere; fewer and shorter actions. Records that come back empty and
// change how later records come back are mode barcodes: each mode gets a
// ruleset of its own. The chosen script is run through the engine on every
// record before it is handed out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trelmix::learn {

// One record, in the order a desk scans them, and what must come back.
struct Example {
    std::vector<std::uint8_t> record;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
    std::int32_t status = 1;
    std::vector<std::uint8_t> result;
    std::vector<std::string> output;  // typed and pressed lines, in the words of `trelmix run`
    std::string where;                // "FILE:LINE", for messages
    std::size_t line = 0;             // LINE of `where`
};

struct Job {
    bool keyboard = false;
    std::vector<Example> examples;
};

struct Learned {
    bool ok = false;                   // the script passes every example on the engine
    std::string script;                // the script, or the closest one found
    std::vector<std::size_t> failing;  // examples the script does not pass
    std::vector<std::string> notes;    // where other scripts would do as well, and the record that tells
    std::vector<std::string> explain;  // how each rule was found
};

Learned Learn(const Job& job);

// Runs `script` on the examples in order in one session; the indexes of
// those that do not come back as expected.
std::vector<std::size_t> Failing(const Job& job, const std::string& script);

}  // namespace trelmix::learn
