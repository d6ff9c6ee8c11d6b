// Fuzz target: the library against the reference engine on generated scripts
// and records (tests/reference/generator.h, driven by the input's bytes), on
// the host's path and the observed one alike. Any difference aborts.
// Input: [flags] [choices]. Flags bit 0: TRLM_Execute instead of
// TRLM_ExecuteInto; bit 1: a TransmitObject is set; bit 2: Caps Lock on;
// bit 3: the runs are observed (as `run --explain` observes them).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "differential.h"
#include "generator.h"
#include "host/run_observer.h"
#include "keyboard/transmit.h"
#include "platform/simulated/simulated_host.h"

namespace {

class Quiet final : public trelmix::RunObserver {
public:
    void RunStarted(const trelmix::Program&, const trelmix::RecordView&) override {}
    void RuleReached(std::uint32_t, trelmix::RuleFate, trelmix::Clause, trelmix::WildcardStop,
                     const trelmix::RecordView&) override {}
    void ActionDone(std::uint32_t, std::uint32_t, const trelmix::RecordView&) override {}
    void RunEnded(const trelmix::RunEnd&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return 0;
    static trelmix::platform::RecordingPlatform recording;  // pauses are recorded, not slept
    static const bool installed = (trelmix::platform::Install(&recording), true);
    (void)installed;
    static Quiet quiet;
    const std::uint8_t flags = data[0];
    trelmix::reference::Choices choices(data + 1, size - 1);
    const trelmix::reference::GeneratedCase g = trelmix::reference::GenerateCase(choices);
    recording.capsLock = flags & 4;
    trelmix::SetTransmitObject((flags & 2) ? &recording.transmit : nullptr);
    trelmix::SetRunObserver((flags & 8) ? &quiet : nullptr);
    {
        std::u16string script(g.script.begin(), g.script.end());
        for (char16_t& u : script) u &= 0xFF;
        trelmix::reference::Differential both(recording, script, g.keyboard);
        if (!both.assignment().empty()) {
            std::fprintf(stderr, "%s\nassignment differs: %s\n", g.script.c_str(), both.assignment().c_str());
            std::abort();
        }
        for (const std::string& r : g.records) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(r.data());
            const auto length = static_cast<std::uint32_t>(r.size());
            const std::uint32_t code = choices.Below(16);
            const std::string diff = both.Run(bytes, length, length + choices.Below(24), !(flags & 1), code, code % 3);
            if (!diff.empty()) {
                std::fprintf(stderr, "%s\nrecord '%s': library and reference differ: %s\n", g.script.c_str(), r.c_str(),
                             diff.c_str());
                std::abort();
            }
        }
    }
    trelmix::SetRunObserver(nullptr);
    trelmix::SetTransmitObject(nullptr);
    recording.events.clear();
    recording.output.clear();
    return 0;
}
