// ActionBase and the action kinds. Every statement of an action block compiles
// into one action; the rule runner calls Execute on the run's DataContext.
// Run-time actions never fail: one that cannot do its work leaves the record
// as it is. Execute never changes the action itself.
//
// Each kind's Execute lives with its behaviour: the trimming and cursor kinds
// in actions/trim_actions.cpp, the text kinds in actions/text_actions.cpp, the
// ruleset kinds in host/rulesets.cpp and the send kinds in
// keyboard/send_actions.cpp. The keyword table (script/keywords.cpp) says
// which keyword builds which kind and what it takes.
#pragma once

#include <cstdint>

#include "script/byte_arg.h"

namespace trelmix {

struct DataContext;

struct ActionBase {
    ByteArg arg1;  // search text, text to add, or the send action's key text
    ByteArg arg2;  // replacement text (REPLACE_FIRST, REPLACE_ALL)

    virtual ~ActionBase() = default;
    virtual void Execute(DataContext&) const {}
};

namespace CAction {

#define TRELMIX_ACTION(Kind) \
    struct Kind final : ActionBase { void Execute(DataContext& d) const override; }
#define TRELMIX_COUNTED_ACTION(Kind, member) \
    struct Kind final : ActionBase { \
        std::int32_t member = 0; \
        void Execute(DataContext& d) const override; \
    }

TRELMIX_COUNTED_ACTION(PadSpace, count);
TRELMIX_COUNTED_ACTION(PadZero, count);
TRELMIX_ACTION(RemoveSpaces);
TRELMIX_ACTION(RemoveZeros);
TRELMIX_ACTION(CrunchSpaces);
TRELMIX_ACTION(SkipStart);
TRELMIX_ACTION(SkipEnd);
TRELMIX_COUNTED_ACTION(SkipAhead, count);
TRELMIX_COUNTED_ACTION(SkipBack, count);
TRELMIX_ACTION(ReplaceFirst);
TRELMIX_ACTION(ReplaceAll);
TRELMIX_ACTION(MoveBefore);
TRELMIX_ACTION(MoveAfter);
TRELMIX_ACTION(Append);
TRELMIX_ACTION(Prepend);
TRELMIX_ACTION(Insert);
TRELMIX_COUNTED_ACTION(RulesetOn, ruleset);
TRELMIX_COUNTED_ACTION(RulesetOff, ruleset);
TRELMIX_ACTION(SendAll);
TRELMIX_ACTION(SendRem);
TRELMIX_ACTION(SendUntil);
TRELMIX_COUNTED_ACTION(SendPause, count);
TRELMIX_ACTION(SendAscii);
TRELMIX_ACTION(SendAlt);
TRELMIX_COUNTED_ACTION(SendFunc, count);
TRELMIX_ACTION(SendExtn);
TRELMIX_ACTION(SendWin);
TRELMIX_ACTION(SendCtrl);
TRELMIX_ACTION(SendNumpad);

#undef TRELMIX_ACTION
#undef TRELMIX_COUNTED_ACTION

}  // namespace CAction
}  // namespace trelmix
