// The learner's edits: actions as the engine runs them, a quick model of the
// engine for the actions the learner writes (the engine itself has the last
// word before a script is handed out), and the edits that turn one record
// into its result.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace trelmix::learn {

using Text = std::string;  // bytes

enum class Op {
    Prepend,
    Append,
    Insert,
    SkipAhead,
    SkipBack,
    SkipStart,
    SkipEnd,
    ReplaceAll,
    ReplaceFirst,
    MoveAfter,
    MoveBefore,
    RemoveSpaces,
    CrunchSpaces,
    RemoveZeros,
    SendAll,
    SendRem,
    SendUntil,
    SendText,
    SendKey,
};

struct Action {
    Op op;
    Text a, b;            // texts; SendKey: a is the keyword line, b the line `run` shows
    std::uint32_t n = 0;  // counts
    // Not <=>: emscripten's C++ library orders strings with < only.
    bool operator==(const Action&) const = default;
    bool operator<(const Action& o) const { return std::tie(op, a, b, n) < std::tie(o.op, o.a, o.b, o.n); }
};

// What a run of actions leaves: the record and the typed and pressed lines.
struct Outcome {
    Text record;
    std::vector<std::string> lines;
    bool operator==(const Outcome&) const = default;
};

Outcome Simulate(const std::vector<Action>& actions, const Text& record);

// A rule's edit: actions, a rule without an action block (the record comes
// back as given with status 0), or one of the edits written as a rule per
// length or per count: padding to a width, leading zeros stripped.
struct Edit {
    enum class Kind { Actions, Stop, PadFront, PadBack, StripLeading } kind = Kind::Actions;
    std::vector<Action> actions;
    char fill = '0';
    std::size_t width = 0;  // Pad*: the width; StripLeading: the longest run written out
    double cost = 0;
    std::string how;  // how it was found, for --explain
};

// True when the edit gives `result` (and `lines`) for `record` with status.
bool Gives(const Edit& edit, const Text& record, std::int32_t status, const Text& result,
           const std::vector<std::string>& lines);

// Whether the edit touches the record at all (the per-length and per-count
// rules leave some records to the rules after them).
bool InScope(const Edit& edit, const Text& record);

// Edits that turn `record` into `result` (and type and press `lines`).
// `keys` maps a pressed line of `run` ("tapped Tab") to the keyword that
// presses it ("SEND_EXTN('TAB')").
std::vector<Edit> EditsFor(const Text& record, std::int32_t status, const Text& result,
                           const std::vector<std::string>& lines, bool keyboard,
                           const std::map<std::string, std::string>& keys);

// A text argument as the script writes it: quotes escaped, and bytes that are
// not plain printable ASCII as &#xHH; (send texts do not decode those).
std::string Quote(const Text& text);
std::string ActionLine(const Action& action);
std::string Words(const Action& action);
std::string EditWords(const Edit& edit);  // an edit of actions, in words (padding is told by its rules)
Text Show(const Text& text);              // for messages: 'ABC'

}  // namespace trelmix::learn
