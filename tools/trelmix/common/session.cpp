#include "common/session.h"

#include <algorithm>
#include <cstring>

#include "common/host_id.h"

namespace trelmix::cli {

namespace {

// The host's buffer, left as it comes: zeroing 16 MiB would cost more than
// the runs (the playground opens a session for every edit).
std::unique_ptr<std::uint8_t[]> Uninitialized(std::size_t size) {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
    return std::make_unique_for_overwrite<std::uint8_t[]>(size);
#else  // emscripten's C++ library has no make_unique_for_overwrite yet
    return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]);
#endif
}

}  // namespace

Session::Session(const HostId& id, const HostOptions& options) : id_(id) {
    platform::RecordingPlatform& r = recording_.recording;
    r.capsLock = options.capsLock;
    r.realSleep = options.realTime;
    r.transmit.textEncoding = options.textEncoding;
    r.transmit.typingContext = options.typingContext;
    r.host.emulator.keyCodeMode = options.keyCodeMode;
    r.host.emulator.delayMs = options.delayMs;
    TRLM_SetTransmitObject(options.transmit ? &r.transmit : nullptr);
}

Session::~Session() {
    TRLM_SetTransmitObject(nullptr);
    char16_t empty[1] = {0};
    TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(empty));
}

Assignment Session::Assign(const std::u16string& script) {
    platform::RecordingPlatform& r = recording_.recording;
    r.events.clear();
    std::vector<char16_t> writable(script.begin(), script.end());
    writable.push_back(0);
    Assignment a;
    a.assigned = TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(writable.data())) != 0;
    a.events = std::move(r.events);
    return a;
}

RecordResult Session::Execute(const std::vector<std::uint8_t>& record, std::uint32_t codeType, std::uint32_t protocol) {
    platform::RecordingPlatform& r = recording_.recording;
    const auto length = static_cast<std::uint32_t>(record.size());
    const std::uint32_t needed = std::max(kCapacity, length);
    if (!buffer_ || capacity_ < needed) {
        buffer_ = Uninitialized(needed);
        capacity_ = needed;
    }
    if (length > 0) std::memcpy(buffer_.get(), record.data(), length);
    const ExecuteResult e = TRLM_ExecuteInto(&id_, buffer_.get(), length, capacity_, codeType, protocol);

    RecordResult result;
    result.status = e.status;
    result.length = e.length;
    // A record too long for the buffer was not copied back: show it as passed.
    const std::uint32_t shown = e.status == TRLM_STATUS_TOO_LONG ? length : std::min(e.length, capacity_);
    result.bytes.assign(buffer_.get(), buffer_.get() + shown);
    result.output = std::move(r.output);
    r.output.clear();
    return result;
}

const HostOption* FindHostOption(std::string_view name) {
    for (const HostOption& o : kHostOptions) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

std::optional<std::string> SetHostNumber(const HostOption& option, std::string_view text, HostOptions& host) {
    const std::optional<std::uint32_t> value = ParseDecimal32(text);
    if (!value) return std::string(option.name) + ": '" + std::string(text) + "' is not a number from 0 to 4294967295";
    host.*option.number = *value;
    return std::nullopt;
}

std::vector<std::string> HostArguments(const HostOptions& host) {
    const HostOptions defaults;
    std::vector<std::string> args;
    for (const HostOption& o : kHostOptions) {
        if (o.perRecord) continue;
        if (o.number && host.*o.number != defaults.*o.number) {
            args.insert(args.end(), {o.name, std::to_string(host.*o.number)});
        }
        if (o.flag && host.*o.flag == o.set && defaults.*o.flag != o.set) args.emplace_back(o.name);
    }
    return args;
}

}  // namespace trelmix::cli
