// The simulated host of `trelmix run` and `trelmix check`: the recording
// platform (US layout, Windows-1252, a simulated Caps Lock, every event,
// injection, typed unit and sleep recorded in order), a TransmitObject and
// KeyboardEmulator set from the host options, and one host id.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simulated/simulated_host.h"
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

// Every host option, once: the command line, .scans and .tests files, the
// arguments given to an --engine process, the playground's settings and
// trelmix-x86 all read and write them from this table.
struct HostOption {
    const char* name;                    // on the command line and in .scans and .tests files
    const char* key;                     // in the playground's settings
    std::uint32_t HostOptions::*number;  // a number option's value, or null
    bool HostOptions::*flag;             // a flag's value, or null
    bool set;                            // what the flag sets
    bool perRecord;                      // may change between records; else it holds for the run (session)
    const char* help;
    const char* applied;  // where the value takes effect
};
inline constexpr HostOption kHostOptions[] = {
    {"--code-type", "code_type", &HostOptions::codeType, nullptr, false, true,
     "Code type of every record given as an argument or a plain line (default 0)", "TRLM_ExecuteInto's codeType"},
    {"--protocol", "protocol", &HostOptions::protocol, nullptr, false, true,
     "Protocol word of those records (default 0)", "TRLM_ExecuteInto's protocol"},
    {"--text-encoding", "text_encoding", &HostOptions::textEncoding, nullptr, false, false,
     "textEncoding of the TransmitObject: 1 or 3 Windows-1252, else the ANSI code page (default 1)",
     "the TransmitObject"},
    {"--typing-context", "typing_context", &HostOptions::typingContext, nullptr, false, false,
     "typingContext of the TransmitObject, passed to every TypeCharacter (default 0)", "the TransmitObject"},
    {"--key-code-mode", "key_code_mode", &HostOptions::keyCodeMode, nullptr, false, false,
     "keyCodeMode of the KeyboardEmulator: 0 virtual key, 1 scan code, 2 both (default 0)", "the KeyboardEmulator"},
    {"--delay-ms", "delay_ms", &HostOptions::delayMs, nullptr, false, false,
     "delayMs of the KeyboardEmulator: pause after each injection (default 0)", "the KeyboardEmulator"},
    {"--no-transmit", "transmit", nullptr, &HostOptions::transmit, false, false,
     "Run without a TransmitObject: nothing is typed or pressed", "TRLM_SetTransmitObject"},
    {"--caps-lock", "caps_lock", nullptr, &HostOptions::capsLock, true, false, "Caps Lock is on when the run starts",
     "the simulated host's keyboard"},
    {"--real-time", "real_time", nullptr, &HostOptions::realTime, true, false,
     "Really sleep; by default pauses are recorded, not slept", "the simulated host's Sleep"},
};

// The host option of that command-line name, or null.
const HostOption* FindHostOption(std::string_view name);

// Sets a number option from its text, or says why not ("--delay-ms: 'x' is
// not a number from 0 to 4294967295").
std::optional<std::string> SetHostNumber(const HostOption& option, std::string_view text, HostOptions& host);

// The options that set up a session's host as it differs from the defaults,
// as command-line arguments (the per-record ones left out).
std::vector<std::string> HostArguments(const HostOptions& host);

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
