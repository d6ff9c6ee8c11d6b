#include "host/rule_runner.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "actions/data_context.h"
#include "host/criteria.h"
#include "host/rule_index.h"
#include "host/rulesets.h"

namespace trelmix {

namespace {

enum class Next { GoOn, Stop };

constexpr std::int32_t kNotYet = TRLM_STATUS_EMPTY_RULE;  // no rule has applied yet

void RunActions(const ActionList& actions, DataContext& d) {
    for (const auto& action : actions) action->Execute(d);
}

Next TryRule(const Rule& rule, DataContext& d, std::int32_t& status) {
    if (!rule.actions) {  // checked first: stops the run even in a switched-off ruleset
        status = TRLM_STATUS_NO_ACTION_BLOCK;
        return Next::Stop;
    }
    if (rule.ruleset != 0 && !RulesetGatePasses(rule.ruleset, d.rulesetEnabled)) {
        status = kNotYet;
        return Next::GoOn;
    }
    if (!rule.criteria) {  // runs for every record that reaches it; the run goes on
        RunActions(*rule.actions, d);
        return rule.actions->empty() ? Next::Stop : Next::GoOn;
    }
    const Criteria& c = *rule.criteria;
    // The length and protocol tests first, here: most rules that fail fail
    // on them, without the call.
    const bool quickFail = (c.length != kUnset && static_cast<std::uint32_t>(d.length) != c.length) ||
                           (c.protocol != kUnset && d.protocol != c.protocol);
    if (quickFail || !CriteriaPass(c, d)) {
        status = kNotYet;
        return Next::GoOn;
    }
    status = TRLM_STATUS_APPLIED;
    RunActions(*rule.actions, d);
    return rule.actions->empty() ? Next::Stop : Next::GoOn;
}

// A run borrows its script's two buffers (the working copy and the spare its
// edits build in) and gives them back, also when an edit throws. A run that
// finds them in use (a host running the same script again from inside its
// emulator's callback) works in buffers of its own. A buffer that grew past
// kKeptCapacity is released after the run, so a long record does not keep
// its memory. Calls do not overlap (the host's promise), so a plain flag is
// enough; runs of different scripts never share buffers.
constexpr std::size_t kKeptCapacity = 16 * 1024;

class Lease {
public:
    Lease(Script::RunBuffers& buffers, DataContext& d) : buffers_(buffers), d_(d) {
        if (buffers.inUse) return;
        buffers.inUse = true;
        owner_ = true;
        d.data.swap(buffers.data);
        d.spare = &buffers.spare;
    }
    ~Lease() {
        if (!owner_) return;
        d_.spare = nullptr;
        buffers_.data.swap(d_.data);
        for (auto* buffer : {&buffers_.data, &buffers_.spare}) {
            if (buffer->capacity() > kKeptCapacity) std::vector<std::uint8_t>().swap(*buffer);
        }
        buffers_.inUse = false;
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

private:
    Script::RunBuffers& buffers_;
    DataContext& d_;
    bool owner_ = false;
};

// Runs the rules on a working copy; when the run ends normally, hands the
// edited bytes to `deliver(bytes, length)` while they still exist.
template <typename Deliver>
ExecuteResult Run(Script& script, std::uint8_t* data, std::uint32_t length, std::uint32_t codeType,
                  std::uint32_t protocol, Deliver&& deliver) {
    ExecuteResult result{data, length, kNotYet, 0, 0};

    // A record beyond the working limit cannot be held (see kMaxRecordLength).
    if (length > static_cast<std::uint32_t>(kMaxRecordLength)) throw std::bad_alloc();
    DataContext d;
    Lease lease(script.buffers, d);
    if (d.spare) {
        // The script's own buffer, sized with slack past the record (as far as
        // its capacity goes) so that lengthening edits work in place.
        const std::size_t room = std::min(d.data.capacity(), std::size_t{length} + kEditSlack);
        d.data.resize(std::max<std::size_t>(length, room));
        if (length > 0) std::memcpy(d.data.data(), data, length);
    } else {
        d.data.assign(data, data + length);
    }
    d.cursor = 0;
    d.length = static_cast<std::int32_t>(length);
    d.codeType = codeType;
    d.protocol = protocol;
    d.rulesetEnabled = script.rulesetEnabled.data();

    // Rules whose code list leaves the record's code type out fail their
    // criteria, so the index passes over them.
    bool stopped = false;
    ForEachReachableRule(script, codeType, [&](std::uint32_t position) {
        if (TryRule(*script.rules[position], d, result.status) == Next::Stop) {
            stopped = true;
            return false;
        }
        return result.status == kNotYet;  // a rule applied: the run ends
    });
    if (stopped) return result;
    result.status = TRLM_STATUS_APPLIED;
    deliver(d.data.data(), static_cast<std::uint32_t>(d.length), result);
    return result;
}

}  // namespace

RunOutcome RunScript(Script& script, std::uint8_t* data, std::uint32_t length,
                     std::uint32_t codeType, std::uint32_t protocol) {
    RunOutcome out;
    out.result = Run(script, data, length, codeType, protocol,
                     [&](const std::uint8_t* edited, std::uint32_t editedLength, ExecuteResult& result) {
                         out.edited.assign(edited, edited + editedLength);
                         out.copyBack = true;
                         result.length = editedLength;
                     });
    return out;
}

ExecuteResult ExecuteScript(Script& script, std::uint8_t* data, std::uint32_t length,
                            std::uint32_t codeType, std::uint32_t protocol, std::uint32_t capacity) {
    return Run(script, data, length, codeType, protocol,
               [&](const std::uint8_t* edited, std::uint32_t editedLength, ExecuteResult& result) {
                   result.length = editedLength;
                   if (editedLength > std::max(capacity, length)) {
                       result.status = TRLM_STATUS_TOO_LONG;
                       return;
                   }
                   if (editedLength > 0) std::memcpy(data, edited, editedLength);
               });
}

}  // namespace trelmix
