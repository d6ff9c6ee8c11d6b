// The compiled form of one script: a Program (its rules by value and all their
// actions in one array, in order) with its Plan, and the RunState its runs
// change. The registry owns each id's Script, the two together.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "actions/action.h"
#include "actions/byte_arg.h"
#include "actions/data_context.h"

namespace trelmix {

inline constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

// A WILDCARD_MATCH pattern as the steps that match it, worked out when the
// clause compiles (host/wildcard.h), so that a run neither walks the pattern
// byte by byte nor counts its runs of '?'.
struct WildcardStep {
    enum class Kind : std::uint8_t {
        Literal,    // pattern[from, from + length) must stand at the position
        Any,        // a run of `length` '?': that many bytes, whatever they are
        Find,       // '*' then a literal: its first occurrence from the position
        FinalStar,  // a last '*': at least one byte left
        Never,      // "**" or "*?": never matches
    };
    Kind kind = Kind::Literal;
    std::int32_t at = 0;      // where the step begins in the pattern
    std::int32_t from = 0;    // Literal, Find: the literal's first byte in the pattern
    std::int32_t length = 0;  // Literal, Find: the literal's length; Any: the run's
};

struct WildcardProgram {
    std::vector<WildcardStep> steps;
    std::int32_t minLength = 0;  // a shorter record cannot match
    bool exact = false;          // no '*': only a record of exactly minLength bytes can
    bool prefix = false;         // a literal then a last '*': a test of the record's first bytes
    // The literals and '?'s before the first '*' stand at fixed offsets: when
    // they span 8 bytes or more, they are tested a word at a time, as few
    // words as cover their literals (a word of '?' only tests nothing).
    struct HeadTest {
        std::int32_t at = 0;     // the word's offset
        std::uint64_t want = 0;  // its bytes,
        std::uint64_t mask = 0;  // compared where the pattern has a literal
    };
    std::int32_t head = 0;        // their bytes; 0: tested step by step
    std::uint32_t afterHead = 0;  // the first step after them
    std::vector<HeadTest> headTests;
};

// The clauses of a criteria block, in the order a run tests them.
enum class Clause : std::uint8_t { None, Length, Protocol, CodeList, Match, Wildcard };

// One BEGIN_CRITERIA ... END_CRITERIA block. Fields hold their unset values
// until a clause sets them.
struct Criteria {
    // The clauses a run tests first, together.
    std::uint32_t length = kUnset;         // CODE_LENGTH
    std::uint32_t protocol = kUnset;       // PROTOCOL_MATCH
    bool textClauses = false;              // `match` or `wildcard` is set (their clauses say so)
    std::vector<std::uint32_t> codes;      // CODE_LIST: alternatives; empty tests nothing
    ByteArg match;                         // CODE_MATCH text; empty tests nothing
    std::uint32_t matchPosition = kUnset;  // CODE_MATCH position; unset searches from 0
    ByteArg wildcard;                      // WILDCARD_MATCH; empty tests nothing
    WildcardProgram wildcardSteps;         // `wildcard` compiled
};

// A rule's action block: Program::actions[first .. first + count).
struct ActionRange {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    // Set when the script compiles (host/rule_runner.h): the block ends a run
    // that reaches it, and its last action only adds bytes at the end.
    bool tailInHost = false;
    bool empty() const { return count == 0; }
};

// One BEGIN_RULE ... END_RULE block. No criteria means the rule had no
// criteria block (it runs for every record and lets the run go on); no
// actions means it had no action block (it stops every run reaching it).
struct Rule {
    std::uint32_t ruleset = 0;  // 0: no ruleset; 1..31 switchable; larger: never on
    std::optional<Criteria> criteria;
    std::optional<ActionRange> actions;
};

// A rule's criteria boiled down to three tests of a word each, made before a
// run looks at the rule itself: a record that fails them cannot pass the
// criteria. Built with the rule index (host/criteria.h); a rule without
// criteria or without an action block gets the gate every record passes.
struct RuleGate {
    std::uint32_t minLength = 0;             // the record's length lies in
    std::uint32_t lengthSpan = 0xFFFFFFFFu;  // minLength .. minLength + lengthSpan
    std::uint32_t protocol = 0;              // under protocolMask (0: any protocol)
    std::uint32_t protocolMask = 0;
    std::uint64_t head = 0;      // the record's first eight bytes (zeros past its
    std::uint64_t headMask = 0;  // end), compared under headMask
    // A wildcard whose fixed head is longer: its words past the first
    // eight bytes, tested once the length range has passed (the record
    // then has the whole head).
    static constexpr std::size_t kMoreWords = 3;
    std::uint32_t moreWords = 0;
    std::array<WildcardProgram::HeadTest, kMoreWords> more{};
    // Passing the gate means the criteria pass, when their code list needs
    // no test: no CODE_MATCH, and a wildcard whose bytes the head and the
    // length range decide.
    bool decides = false;
    bool codes = false;  // the criteria have a code list
    // A rule outside any ruleset with an action block and a gate that
    // decides: passing the gate, it applies and runs `actions` (a copy of
    // its block), and the run needs nothing else of the rule.
    bool plain = false;
    ActionRange actions;
};

// Which rules a record can reach, by its code type, so that a run passes over
// the rules whose code list leaves that code type out (they could not apply).
// Built once a script has compiled (host/rule_index.h). Positions index
// `rules`.
struct RuleIndex {
    bool listsCodes = true;             // false: `always` is every rule, code lists untested
    std::vector<std::uint32_t> always;  // no action block, no criteria, or no code list
    std::vector<std::uint32_t> codes;   // the code types the lists name, ascending
    std::vector<std::uint32_t> first;   // codes[i]'s rules: reach[first[i] .. first[i + 1])
    std::vector<std::uint32_t> reach;   // `always` merged with the rules naming the code
    std::vector<RuleGate> gates;        // every rule's, by position
    // Code types below kDirectCodes (the usual ones) are looked up here
    // rather than searched for: i + 1 for codes[i], 0 for a code no list names.
    static constexpr std::uint32_t kDirectCodes = 256;
    std::array<std::uint16_t, kDirectCodes> direct{};
};

// How a program runs faster than rule by rule, worked out once when it
// compiles (actions/forward_edits.h, host/rule_index.h, host/rule_runner.h)
// and never changed by a run.
struct Plan {
    RuleIndex index;      // the rules each code type reaches, and every rule's gate
    ForwardPlan forward;  // the fixed stretches of the forward runs
};

// Where each part of a program stands in its script's text (lines from 1),
// for the tools that tell a script's author what ran.
struct SourceLines {
    struct ClauseLine {
        Clause clause = Clause::None;
        std::uint32_t line = 0;
    };
    std::vector<std::uint32_t> rules;              // each rule's BEGIN_RULE
    std::vector<std::vector<ClauseLine>> clauses;  // each rule's clauses, in order
    std::vector<std::uint32_t> actions;            // each action's, as Program::actions
};

// A compiled script. Once compiled it does not change: runs only read it.
struct Program {
    std::vector<Rule> rules;      // the rules, in END_RULE order
    std::vector<Action> actions;  // every rule's actions, rule after rule
    SourceLines lines;
    Plan plan;
};

// What runs of a program change as they go.
struct RunState {
    // The ruleset switches: runs switch them, only a new assignment resets them.
    RulesetSwitches rulesetEnabled;
    // Where runs build their edited record, kept from run to run; it holds
    // nothing a later run reads.
    WorkBuffers work;

    RunState() { rulesetEnabled.fill(1); }
};

// A host id's assigned script: the program and the state of its runs.
struct Script {
    explicit Script(Program compiled) : program(std::move(compiled)) {}

    const Program program;
    RunState state;
};

}  // namespace trelmix
