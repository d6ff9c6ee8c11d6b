// Actions: every statement of an action block compiles into one Action, held
// by value in its Program's one array and run through a switch on its kind
// (host/rule_runner.cpp). Run-time actions never fail: one that cannot do its
// work leaves the record as it is. Running an action never changes it.
//
// Each kind's behaviour lives with its family: the trimming and cursor kinds
// in actions/trim_actions.cpp, the text kinds in actions/text_actions.cpp, the
// ruleset kinds in host/rulesets.cpp and the send kinds in
// keyboard/send_actions.cpp. The keyword table (script/keywords.cpp) says
// which keyword builds which kind and what it takes.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "actions/byte_arg.h"
#include "actions/data_context.h"

namespace trelmix {

// Every kind, in lists: the enumeration, the declarations below and the
// dispatch switch are all generated from them. The inline kinds (the cursor
// kinds, a line each, and REPLACE_FIRST of a text standing at the cursor)
// are defined below so that the dispatch runs them without a call; the
// others live with their families.
// clang-format off
#define TRELMIX_INLINE_KINDS(X) X(SkipStart) X(SkipEnd) X(SkipAhead) X(SkipBack) X(ReplaceFirst)
#define TRELMIX_CALLED_KINDS(X)                                                                              \
    X(PadSpace) X(PadZero) X(RemoveSpaces) X(RemoveZeros) X(CrunchSpaces) X(ReplaceAll)                     \
    X(MoveBefore) X(MoveAfter) X(Append) X(Prepend) X(Insert) X(RulesetOn) X(RulesetOff) X(SendAll)         \
    X(SendRem) X(SendUntil) X(SendPause) X(SendAscii) X(SendAlt) X(SendFunc) X(SendExtn) X(SendWin)          \
    X(SendCtrl) X(SendNumpad)
#define TRELMIX_ACTION_KINDS(X) TRELMIX_INLINE_KINDS(X) TRELMIX_CALLED_KINDS(X)
// clang-format on

enum class ActionKind : std::uint8_t {
#define TRELMIX_KIND(Kind) Kind,
    TRELMIX_ACTION_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND
};

// What an action of each kind does to the record's length and its cursor,
// for the tools that reason about a script without running it. A new kind
// does not build until it is listed here.
enum class Growth : std::uint8_t {
    None,         // never lengthens the record
    Count,        // by its count, when that is at most the record's length (PAD_)
    Text,         // by its text (APPEND, PREPEND, INSERT)
    ReplaceOnce,  // by how much longer its new text is than its old, once
    ReplaceEach,  // by that for every occurrence
};

constexpr Growth GrowthOf(ActionKind kind) {
    switch (kind) {
    case ActionKind::PadSpace:
    case ActionKind::PadZero: return Growth::Count;
    case ActionKind::Append:
    case ActionKind::Prepend:
    case ActionKind::Insert: return Growth::Text;
    case ActionKind::ReplaceFirst: return Growth::ReplaceOnce;
    case ActionKind::ReplaceAll: return Growth::ReplaceEach;
    case ActionKind::SkipStart:
    case ActionKind::SkipEnd:
    case ActionKind::SkipAhead:
    case ActionKind::SkipBack:
    case ActionKind::RemoveSpaces:
    case ActionKind::RemoveZeros:
    case ActionKind::CrunchSpaces:
    case ActionKind::MoveBefore:
    case ActionKind::MoveAfter:
    case ActionKind::RulesetOn:
    case ActionKind::RulesetOff:
    case ActionKind::SendAll:
    case ActionKind::SendRem:
    case ActionKind::SendUntil:
    case ActionKind::SendPause:
    case ActionKind::SendAscii:
    case ActionKind::SendAlt:
    case ActionKind::SendFunc:
    case ActionKind::SendExtn:
    case ActionKind::SendWin:
    case ActionKind::SendCtrl:
    case ActionKind::SendNumpad: break;
    }
    return Growth::None;
}

// Whether the action works on the record from the cursor on (or from where
// the cursor stands), and whether it can move the cursor.
struct CursorUse {
    bool from = false;
    bool moves = false;
};

constexpr CursorUse CursorUseOf(ActionKind kind) {
    switch (kind) {
    case ActionKind::RemoveSpaces:
    case ActionKind::RemoveZeros:
    case ActionKind::SendRem:
    case ActionKind::SendUntil: return {true, false};
    case ActionKind::SkipAhead:
    case ActionKind::SkipBack:
    case ActionKind::ReplaceAll:
    case ActionKind::ReplaceFirst:
    case ActionKind::MoveBefore:
    case ActionKind::MoveAfter:
    case ActionKind::Insert: return {true, true};
    case ActionKind::SkipStart:
    case ActionKind::SkipEnd:
    case ActionKind::PadSpace:
    case ActionKind::PadZero:
    case ActionKind::Append:
    case ActionKind::Prepend:
    case ActionKind::SendAll: return {false, true};
    case ActionKind::CrunchSpaces:
    case ActionKind::RulesetOn:
    case ActionKind::RulesetOff:
    case ActionKind::SendPause:
    case ActionKind::SendAscii:
    case ActionKind::SendAlt:
    case ActionKind::SendFunc:
    case ActionKind::SendExtn:
    case ActionKind::SendWin:
    case ActionKind::SendCtrl:
    case ActionKind::SendNumpad: break;
    }
    return {};
}

struct Action {
    Action() = default;
    explicit Action(ActionKind k, std::int32_t n = 0) : kind(k), count(n) {}

    ActionKind kind = ActionKind::SkipStart;
    std::int32_t count = 0;  // PAD_*, SKIP_AHEAD/BACK, RULESET_ON/OFF, SEND_PAUSE, SEND_FUNC
    ByteArg arg1;            // search text, text to add, or the send action's key text
    ByteArg arg2;            // replacement text (REPLACE_FIRST, REPLACE_ALL)

    // Set when the script compiles, on the first action of a run of forward
    // edits (actions/forward_edits.h): how many actions the run has, and how
    // many bytes it can add at most.
    std::uint32_t forwardRun = 0;
    std::uint32_t forwardGrowth = 0;
    // On the first action of a fixed stretch inside such a run: 1 + its index
    // in the Plan's ForwardPlan::stretches.
    std::uint32_t stretch = 0;
    // On an INSERT, APPEND or REPLACE_FIRST in a run: the text it adds, as
    // ForwardPlan::text[forwardText, forwardText + forwardTextLength).
    std::uint32_t forwardText = 0;
    std::uint32_t forwardTextLength = 0;
};

// A stretch of INSERTs and SKIP_AHEADs inside a forward run, worked out when
// the script compiles (actions/forward_edits.cpp). When every skip lands
// inside the record, the stretch is a fixed list of pieces: so many bytes of
// the record, then a text.
struct FixedPiece {
    std::uint32_t copy = 0;      // bytes of the record, from where the stretch has got to
    std::uint32_t textFrom = 0;  // then ForwardPlan::text[textFrom, textFrom + textLength)
    std::uint32_t textLength = 0;
};

struct FixedStretch {
    std::uint32_t actions = 0;     // how many actions it stands for
    std::uint32_t firstPiece = 0;  // ForwardPlan::pieces[firstPiece, firstPiece + pieces)
    std::uint32_t pieces = 0;
    std::uint64_t skips = 0;     // all its skips together: the cursor must stay below the length
    std::uint32_t trailing = 0;  // skips after its last text: the cursor moves on, nothing is copied
    bool shortPieces = false;    // no piece copies or adds more than 16 bytes
};

struct ForwardPlan {
    std::vector<FixedStretch> stretches;
    std::vector<FixedPiece> pieces;
    std::vector<std::uint8_t> text;  // the texts the runs add, one after the other
};

// What each kind does to the run's working record.
namespace act {
#define TRELMIX_KIND(Kind) void Kind(const Action& action, DataContext& d);
TRELMIX_CALLED_KINDS(TRELMIX_KIND)
#undef TRELMIX_KIND

// The cursor moves only to a byte of the data; it is never clamped.
inline void MoveCursorTo(DataContext& d, std::int64_t target) {
    if (target >= 0 && target < d.length) d.cursor = static_cast<std::int32_t>(target);
}
inline void SkipStart(const Action&, DataContext& d) { d.cursor = 0; }
inline void SkipEnd(const Action&, DataContext& d) { d.cursor = d.length - 1; }
inline void SkipAhead(const Action& a, DataContext& d) { MoveCursorTo(d, std::int64_t{d.cursor} + a.count); }
inline void SkipBack(const Action& a, DataContext& d) { MoveCursorTo(d, std::int64_t{d.cursor} - a.count); }

// REPLACE_FIRST when its text is not at the cursor: the search.
void ReplaceFirstFurther(const Action& a, DataContext& d);

// REPLACE_FIRST. A text standing right at the cursor, as a prefix being
// stripped does, is replaced there after one compare of a word.
inline void ReplaceFirst(const Action& a, DataContext& d) {
    const ByteArg& text = a.arg1;
    if (text.wordMask && d.cursor >= 0 && d.length - d.cursor >= 8) {
        std::uint64_t there;
        std::memcpy(&there, d.bytes + d.cursor, 8);
        if (((there ^ text.word) & text.wordMask) == 0) {
            d.ReplaceAtCursor(a.arg2, text.length());
            return;
        }
    }
    ReplaceFirstFurther(a, d);
}
}  // namespace act

}  // namespace trelmix
