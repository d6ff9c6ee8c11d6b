// Actions: every statement of an action block compiles into one Action, held
// by value in its Script's one array and run through a switch on its kind
// (host/run_actions.cpp). Run-time actions never fail: one that cannot do its
// work leaves the record as it is. Running an action never changes it.
//
// Each kind's behaviour lives with its family: the trimming and cursor kinds
// in actions/trim_actions.cpp, the text kinds in actions/text_actions.cpp, the
// ruleset kinds in host/rulesets.cpp and the send kinds in
// keyboard/send_actions.cpp. The keyword table (script/keywords.cpp) says
// which keyword builds which kind and what it takes.
#pragma once

#include <cstdint>

#include "script/byte_arg.h"

namespace trelmix {

struct DataContext;

// Every kind, in one list: the enumeration, the declarations below and the
// dispatch switch are all generated from it.
#define TRELMIX_ACTION_KINDS(X)                                                                              \
    X(PadSpace) X(PadZero) X(RemoveSpaces) X(RemoveZeros) X(CrunchSpaces) X(SkipStart) X(SkipEnd)           \
    X(SkipAhead) X(SkipBack) X(ReplaceFirst) X(ReplaceAll) X(MoveBefore) X(MoveAfter) X(Append) X(Prepend)   \
    X(Insert) X(RulesetOn) X(RulesetOff) X(SendAll) X(SendRem) X(SendUntil) X(SendPause) X(SendAscii)        \
    X(SendAlt) X(SendFunc) X(SendExtn) X(SendWin) X(SendCtrl) X(SendNumpad)

enum class ActionKind : std::uint8_t {
#define TRELMIX_KIND(Kind) Kind,
    TRELMIX_ACTION_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND
};

struct Action {
    Action() = default;
    explicit Action(ActionKind k, std::int32_t n = 0) : kind(k), count(n) {}

    ActionKind kind = ActionKind::SkipStart;
    std::int32_t count = 0;  // PAD_*, SKIP_AHEAD/BACK, RULESET_ON/OFF, SEND_PAUSE, SEND_FUNC
    ByteArg arg1;            // search text, text to add, or the send action's key text
    ByteArg arg2;            // replacement text (REPLACE_FIRST, REPLACE_ALL)
};

// What each kind does to the run's working record.
namespace act {
#define TRELMIX_KIND(Kind) void Kind(const Action& action, DataContext& d);
TRELMIX_ACTION_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND
}  // namespace act

}  // namespace trelmix
