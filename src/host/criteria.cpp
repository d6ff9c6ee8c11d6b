#include "host/criteria.h"

#include <algorithm>
#include <vector>

#include "host/wildcard.h"

namespace trelmix {

RuleGate GateFor(const Rule& rule) {
    RuleGate gate;
    if (!rule.actions || !rule.criteria) return gate;
    const Criteria& c = *rule.criteria;
    gate.codes = !c.codes.empty();
    if (c.length != kUnset) {
        gate.minLength = c.length;
        gate.lengthSpan = 0;
    }
    if (c.protocol != kUnset) {
        gate.protocol = c.protocol;
        gate.protocolMask = 0xFFFFFFFFu;
    }
    bool decided = c.match.bytes.empty();
    if (!c.wildcard.bytes.empty()) {
        // The literals and '?'s before the first '*' stand at fixed offsets;
        // a record that passes is at least that long, so the first eight of
        // them are bytes of the record, never the zeros past its end.
        const WildcardProgram& program = c.wildcardSteps;
        const std::uint8_t* p = c.wildcard.data();
        std::uint8_t want[8] = {}, mask[8] = {};
        std::size_t step = 0;
        std::int32_t fixed = 0;
        for (; step < program.steps.size(); ++step) {
            const WildcardStep& s = program.steps[step];
            if (s.kind != WildcardStep::Kind::Literal && s.kind != WildcardStep::Kind::Any) break;
            for (std::int32_t k = 0; s.kind == WildcardStep::Kind::Literal && k < s.length && s.at + k < 8; ++k) {
                want[s.at + k] = p[s.from + k];
                mask[s.at + k] = 0xFF;
            }
            fixed += s.length;
        }
        std::memcpy(&gate.head, want, 8);
        std::memcpy(&gate.headMask, mask, 8);
        const auto minLength = static_cast<std::uint32_t>(program.minLength);
        const std::uint32_t span = program.exact ? 0 : 0xFFFFFFFFu - minLength;
        if (c.length == kUnset) {
            gate.minLength = minLength;
            gate.lengthSpan = span;
        }
        // Decided when nothing is left but a last '*' (at least one more
        // byte, which the length range holds), and CODE_LENGTH agrees.
        const bool rest = step == program.steps.size() || (step + 1 == program.steps.size() &&
                                                           program.steps[step].kind == WildcardStep::Kind::FinalStar);
        const bool lengthAgrees = c.length == kUnset || (c.length >= minLength && c.length - minLength <= span);
        // A longer head: its words past the first eight bytes join the gate
        // (the length range holds the whole head), when they are few.
        bool headHeld = fixed <= 8;
        if (!headHeld && rest) {
            std::vector<WildcardProgram::HeadTest> more;
            for (const WildcardProgram::HeadTest& t : program.headTests) {
                if (t.at > 0) more.push_back(t);  // at 0: the gate's own head word
            }
            headHeld = more.size() <= RuleGate::kMoreWords;
            if (headHeld) {
                gate.moreWords = static_cast<std::uint32_t>(more.size());
                std::copy(more.begin(), more.end(), gate.more.begin());
            }
        }
        decided = decided && rest && headHeld && lengthAgrees;
    }
    gate.decides = decided;
    gate.plain = decided && rule.ruleset == 0 && !rule.actions->empty();
    gate.actions = *rule.actions;
    return gate;
}

}  // namespace trelmix
