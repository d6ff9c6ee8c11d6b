// The simulated host of `trelmix run` and `trelmix check`: the recording
// platform (US layout, Windows-1252, a simulated Caps Lock, every event,
// injection, typed unit and sleep recorded in order), a TransmitObject and
// KeyboardEmulator set from the host options, and one host id.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/recording.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

struct HostOptions {
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
    bool transmit = true;
    std::uint32_t textEncoding = 1;
    std::uint32_t typingContext = 0;
    std::uint32_t keyCodeMode = 0;
    std::uint32_t delayMs = 0;
    bool capsLock = false;
    bool realTime = false;
};

// The host options that hold a number, by their command-line name (a scans
// file sets them by the same names).
struct NumberHostOption {
    const char* name;
    std::uint32_t HostOptions::*member;
    const char* help;
};
inline constexpr NumberHostOption kNumberHostOptions[] = {
    {"--code-type", &HostOptions::codeType, "Code type of every record given as an argument or a plain line (default 0)"},
    {"--protocol", &HostOptions::protocol, "Protocol word of those records (default 0)"},
    {"--text-encoding", &HostOptions::textEncoding,
     "textEncoding of the TransmitObject: 1 or 3 Windows-1252, else the ANSI code page (default 1)"},
    {"--typing-context", &HostOptions::typingContext,
     "typingContext of the TransmitObject, passed to every TypeCharacter (default 0)"},
    {"--key-code-mode", &HostOptions::keyCodeMode,
     "keyCodeMode of the KeyboardEmulator: 0 virtual key, 1 scan code, 2 both (default 0)"},
    {"--delay-ms", &HostOptions::delayMs, "delayMs of the KeyboardEmulator: pause after each injection (default 0)"},
};

struct Assignment {
    bool assigned = false;
    std::vector<std::u16string> events;  // insertion strings written during the call
};

struct RecordResult {
    std::int32_t status = 0;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> bytes;  // the first `length` bytes of the buffer after the call
    std::vector<platform::Output> output;
};

// What a run asks of the library under the simulated host, for one host id.
// Session answers with the library linked in; trelmix-x86 with the shipped
// 32-bit DLL in an emulated Windows host (tools/trelmix-x86/).
class Engine {
public:
    virtual ~Engine() = default;

    // TRLM_AssignScript with a writable copy of the string, as a host passes it.
    virtual Assignment Assign(const std::u16string& script) = 0;

    // TRLM_ExecuteInto on a buffer of kCapacity bytes (or the record's length
    // when longer). A record that outgrows it comes back with
    // TRLM_STATUS_TOO_LONG and its bytes as passed.
    virtual RecordResult Execute(const std::vector<std::uint8_t>& record, std::uint32_t codeType,
                                 std::uint32_t protocol) = 0;

    // Why no run of this engine can be explained, or empty when the runs
    // report their steps.
    virtual std::string Untraced() const { return {}; }

    static constexpr std::uint32_t kCapacity = 16u * 1024u * 1024u;
};

using EngineFactory = std::function<std::unique_ptr<Engine>(const HostId& id, const HostOptions& options)>;

class Session final : public Engine {
public:
    Session(const HostId& id, const HostOptions& options);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Assignment Assign(const std::u16string& script) override;
    RecordResult Execute(const std::vector<std::uint8_t>& record, std::uint32_t codeType,
                         std::uint32_t protocol) override;

private:
    platform::ScopedRecording recording_;
    HostId id_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint32_t capacity_ = 0;
};

}  // namespace trelmix::cli
