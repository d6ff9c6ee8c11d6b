// A deterministic stand-in for the operating system and the host, the same on
// every platform: the US English layout, Windows-1252 as the ANSI code page,
// a simulated Caps Lock, and a record of every event, injection, typed unit
// and sleep in the order they happened. Tests and the trelmix command install
// it with platform::Install; it is not exported from the library.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace trelmix::platform {

struct Output {
    enum class Kind { Inject, Type, Sleep };
    Kind kind = Kind::Inject;
    std::vector<std::array<std::uint32_t, 3>> records;  // Inject: virtual key, scan code, flags
    std::uint32_t unit = 0;                             // Type: the UTF-16 unit
    std::uint32_t context = 0;                          // Type: typingContext
    std::uint32_t milliseconds = 0;                     // Sleep
};

class RecordingPlatform : public Backend {
public:
    RecordingPlatform();
    RecordingPlatform(const RecordingPlatform&) = delete;
    RecordingPlatform& operator=(const RecordingPlatform&) = delete;

    std::vector<std::u16string> events;  // every event message, as written
    std::vector<Output> output;          // injections, typed units and sleeps, in order
    bool capsLock = false;               // toggled by every injected Caps Lock key-down
    bool realSleep = false;              // also sleep for real (through the native backend)

    // A host emulator and transmit object whose TypeCharacter records into
    // `output`. Hand &transmit to TRLM_SetTransmitObject.
    struct Host {
        KeyboardEmulator emulator{};
        RecordingPlatform* platform = nullptr;
    };
    Host host;
    TransmitObject transmit{};

    void ReportEvent(std::u16string_view source, std::u16string_view message) override;
    bool PathExists(const char16_t* path) override;
    bool ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) override;
    void SendInput(std::uint32_t count, const InputRecord* records) override;
    std::uint32_t MapVirtualKey(std::uint32_t virtualKey) override;
    std::int16_t VkKeyScan(char16_t character) override;
    bool CapsLockOn() override;
    void Sleep(std::uint32_t milliseconds) override;
    int MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                        int outSize) override;
};

// Installs a RecordingPlatform for the life of the scope.
class ScopedRecording {
public:
    ScopedRecording() { Install(&recording); }
    ~ScopedRecording() { Install(nullptr); }
    ScopedRecording(const ScopedRecording&) = delete;
    ScopedRecording& operator=(const ScopedRecording&) = delete;
    RecordingPlatform recording;
};

}  // namespace trelmix::platform
