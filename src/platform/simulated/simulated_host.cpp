#include "platform/simulated/simulated_host.h"

#include "platform/codepage.h"
#include "platform/us_layout.h"

namespace trelmix::platform {

namespace {

std::int32_t TRLM_THISCALL RecordTypeCharacter(KeyboardEmulator* self, std::uint32_t character, std::uint32_t context) {
    // `self` is the first member of Host.
    auto* host = reinterpret_cast<RecordingPlatform::Host*>(self);
    Output out;
    out.kind = Output::Kind::Type;
    out.unit = character;
    out.context = context;
    host->platform->output.push_back(std::move(out));
    return 1;
}

constexpr KeyboardEmulatorOperations kOperations = {nullptr, RecordTypeCharacter};

}  // namespace

RecordingPlatform::RecordingPlatform() {
    host.emulator.operations = &kOperations;
    host.platform = this;
    transmit.emulator = &host.emulator;
    transmit.textEncoding = 1;
    transmit.typingContext = 0;
}

void RecordingPlatform::ReportEvent(std::u16string_view, std::u16string_view message) { events.emplace_back(message); }

bool RecordingPlatform::PathExists(const char16_t* path) { return Native().PathExists(path); }

bool RecordingPlatform::ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) {
    return Native().ReadFile(path, maxBytes, bytes);
}

void RecordingPlatform::SendInput(std::uint32_t count, const InputRecord* records) {
    Output out;
    out.kind = Output::Kind::Inject;
    for (std::uint32_t i = 0; i < count; ++i) {
        const KeyboardInputRecord& k = records[i].u.keyboard;
        out.records.push_back({k.virtualKey, k.scanCode, k.flags});
        const bool capsKey = k.virtualKey == 20 || (k.virtualKey == 0 && k.scanCode == 0x3A);
        if (capsKey && (k.flags & TRLM_KEY_UP) == 0) capsLock = !capsLock;
    }
    output.push_back(std::move(out));
}

std::uint32_t RecordingPlatform::MapVirtualKey(std::uint32_t virtualKey) { return UsScanCode(virtualKey); }

std::int16_t RecordingPlatform::VkKeyScan(char16_t character) { return UsVkKeyScan(character); }

bool RecordingPlatform::CapsLockOn() { return capsLock; }

void RecordingPlatform::Sleep(std::uint32_t milliseconds) {
    Output out;
    out.kind = Output::Kind::Sleep;
    out.milliseconds = milliseconds;
    output.push_back(std::move(out));
    if (realSleep) Native().Sleep(milliseconds);
}

int RecordingPlatform::MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                                       int outSize) {
    if (codePage == 0 || codePage == 1252) return DecodeCp1252(bytes, count, out, outSize);
    return 0;
}

}  // namespace trelmix::platform
