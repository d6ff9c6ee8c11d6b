// One script run through the library's exports and through the reference
// engine side by side: the same records, the same capacities, and on each
// record a comparison of everything a host or a script author can observe
// (status, length, every byte of the buffer, the key strokes, typed units and
// pauses in order, the ruleset switches). The recording platform must be
// installed; the transmit object is the caller's choice.
#pragma once

#include <cstdint>
#include <string>

#include "platform/simulated/simulated_host.h"
#include "reference_engine.h"

namespace trelmix::reference {

class Differential {
public:
    // Assigns `script` (inline text, entities allowed) to an application id
    // or the keyboard client, and compiles the reference's copy.
    Differential(platform::RecordingPlatform& recording, std::u16string script, bool keyboard);
    ~Differential();
    Differential(const Differential&) = delete;
    Differential& operator=(const Differential&) = delete;

    // Empty when the assignment and its event agree, else what differs.
    const std::string& assignment() const { return assignment_; }
    bool assigned() const { return assigned_; }

    // Runs one record through both; empty when they agree, else what differs.
    // `guarded`: TRLM_ExecuteInto with `capacity`; else TRLM_Execute with a
    // buffer of `capacity` bytes (raised to what the reference writes).
    std::string Run(const std::uint8_t* record, std::uint32_t length, std::uint32_t capacity, bool guarded,
                    std::uint32_t codeType, std::uint32_t protocol);

private:
    platform::RecordingPlatform& recording_;
    HostId id_;
    Program script_;
    Switches switches_ = AllOn();
    bool assigned_ = false;
    std::string assignment_;
};

}  // namespace trelmix::reference
