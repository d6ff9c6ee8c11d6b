#include "differential.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "exports/registry.h"
#include "host/script_source.h"
#include "script/compiler.h"

namespace trelmix::reference {

namespace {

const HostId kAppId{0xD1FFu, 0x5e1f, 0xca11, {1, 2, 3, 4, 5, 6, 7, 8}};

bool SameOutput(const std::vector<platform::Output>& a, const std::vector<platform::Output>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.kind == y.kind && x.records == y.records && x.unit == y.unit && x.context == y.context &&
               x.milliseconds == y.milliseconds;
    });
}

std::string Describe(const char* what, std::int64_t library, std::int64_t reference) {
    return std::string(what) + ": library " + std::to_string(library) + ", reference " + std::to_string(reference);
}

}  // namespace

Differential::Differential(platform::RecordingPlatform& recording, std::u16string script, bool keyboard)
    : recording_(recording), id_(keyboard ? KeyboardClientId : kAppId) {
    script.push_back(u'\0');
    std::u16string text = script;
    recording_.events.clear();
    assigned_ = TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(script.data())) != 0;
    const auto libraryEvents = recording_.events;
    recording_.events.clear();
    // The same text the export compiled: entities undone in place.
    UnescapeEntities(text.data());
    const bool compiled = CompileScript(script_, text.c_str(), keyboard);
    if (compiled != assigned_) assignment_ = Describe("assignment", assigned_, compiled);
    if (libraryEvents != recording_.events) assignment_ += "load events differ";
    recording_.events.clear();
}

Differential::~Differential() {
    char16_t empty[1] = {0};
    TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(empty));
}

std::string Differential::Run(const std::uint8_t* record, std::uint32_t length, std::uint32_t capacity, bool guarded,
                              std::uint32_t codeType, std::uint32_t protocol) {
    recording_.output.clear();
    const bool capsLock = recording_.capsLock;  // a Caps Lock key press toggles it: both start alike
    std::optional<Outcome> plain;
    if (assigned_) {
        try {
            plain = reference::Run(script_, switches_, record, length, codeType, protocol);
        } catch (const std::bad_alloc&) {}
    }
    const auto referenceOutput = std::move(recording_.output);
    const bool referenceCapsLock = recording_.capsLock;
    recording_.output.clear();
    recording_.capsLock = capsLock;
    // TRLM_Execute needs a buffer that holds what comes back.
    if (!guarded && plain && plain->copyBack) capacity = std::max<std::size_t>(capacity, plain->record.size());
    capacity = std::max(capacity, length);

    // A host always passes a buffer, also for an empty record (a null one has no room).
    std::vector<std::uint8_t> expected(std::max<std::size_t>(capacity, 1), 0xA5), got(expected);
    if (length) std::memcpy(expected.data(), record, length), std::memcpy(got.data(), record, length);
    ExecuteResult want{expected.data(), length, TRLM_STATUS_NO_SCRIPT, 0, 0};
    if (assigned_) want = Answer(plain ? &*plain : nullptr, expected.data(), length, capacity, guarded);
    const ExecuteResult r = guarded ? TRLM_ExecuteInto(&id_, got.data(), length, capacity, codeType, protocol)
                                    : TRLM_Execute(&id_, got.data(), length, codeType, protocol);

    std::string diff;
    if (r.status != want.status) diff += Describe("status", r.status, want.status) + "; ";
    if (r.length != want.length) diff += Describe("length", r.length, want.length) + "; ";
    if (r.data != got.data() || r.reserved1 || r.reserved2) diff += "result fields; ";
    if (got != expected) diff += "buffer bytes; ";
    if (!SameOutput(recording_.output, referenceOutput) || recording_.capsLock != referenceCapsLock) {
        diff += "keys, text or pauses; ";
    }
    if (assigned_) {
        const Script* library = Registry().Find(id_);
        if (!std::equal(switches_.begin(), switches_.end(), library->state.rulesetEnabled.begin()))
            diff += "ruleset switches; ";
    }
    recording_.output.clear();
    return diff;
}

}  // namespace trelmix::reference
