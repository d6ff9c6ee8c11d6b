// The compiled form of one script. The registry owns each Script; a Script owns
// its rules; a Rule owns its Criteria and
// its ActionList; the list owns its actions.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "actions/action.h"
#include "script/byte_arg.h"

namespace trelmix {

inline constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

// One BEGIN_CRITERIA ... END_CRITERIA block. Fields hold their unset values
// until a clause sets them.
struct Criteria {
    std::vector<std::uint32_t> codes;      // CODE_LIST: alternatives; empty tests nothing
    std::uint32_t length = kUnset;         // CODE_LENGTH
    ByteArg match;                         // CODE_MATCH text; empty tests nothing
    std::uint32_t matchPosition = kUnset;  // CODE_MATCH position; unset searches from 0
    ByteArg wildcard;                      // WILDCARD_MATCH; empty tests nothing
    std::uint32_t protocol = kUnset;       // PROTOCOL_MATCH
};

using ActionList = std::vector<std::unique_ptr<ActionBase>>;

// One BEGIN_RULE ... END_RULE block. A null criteria means the rule had no
// criteria block (it runs for every record and lets the run go on); a null
// action list means it had no action block (it stops every run reaching it).
struct Rule {
    std::uint32_t ruleset = 0;  // 0: no ruleset; 1..31 switchable; larger: never on
    std::unique_ptr<Criteria> criteria;
    std::unique_ptr<ActionList> actions;
};

inline constexpr int kRulesetCount = 32;

// Which rules a record can reach, by its code type, so that a run passes over
// the rules whose code list leaves that code type out (they could not apply).
// Built once a script has compiled (host/rule_index.h); a Script without it,
// or whose rules changed since, is run rule by rule. Positions index `rules`.
struct RuleIndex {
    std::size_t ruleCount = 0;           // rules.size() when built
    std::vector<std::uint32_t> always;   // no action block, no criteria, or no code list
    std::vector<std::uint32_t> codes;    // the code types the lists name, ascending
    std::vector<std::uint32_t> first;    // codes[i]'s rules: reach[first[i] .. first[i + 1])
    std::vector<std::uint32_t> reach;    // `always` merged with the rules naming the code
};

struct Script {
    std::vector<std::unique_ptr<Rule>> rules;  // the rules, in END_RULE order

    // Ruleset switches: entry n is ruleset n (1..31), 1 = on. Entry 0 unused.
    // They live as long as the Script: runs switch them, only a new
    // assignment resets them.
    std::array<std::int32_t, kRulesetCount> rulesetEnabled;

    RuleIndex index;

    Script() { rulesetEnabled.fill(1); }
};

}  // namespace trelmix
