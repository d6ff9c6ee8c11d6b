// What the benchmark files share: the allocation counter, the quiet platform,
// the Lua peer and the results that main() gathers before the benchmarks run.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "jobs.h"
#include "platform/platform.h"
#include "platform/simulated/simulated_host.h"

struct lua_State;

namespace bench {

// Every operator new of the process since it started (bench/alloc_count.cpp).
std::uint64_t Allocations();

// The platform the benchmarks install: the recording platform's US layout and
// code pages, but no event log, no sleeps, and key strokes only counted.
class QuietPlatform final : public trelmix::platform::Backend {
public:
    QuietPlatform();
    std::uint64_t injections = 0;  // SendInput calls (one per key press or chord)
    std::uint64_t typed = 0;       // TypeCharacter calls through `transmit`
    TransmitObject transmit{};

    void ReportEvent(std::u16string_view, std::u16string_view) override {}
    bool PathExists(const char16_t* path) override { return layout_.PathExists(path); }
    bool ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) override {
        return layout_.ReadFile(path, maxBytes, bytes);
    }
    void SendInput(std::uint32_t, const InputRecord*) override { ++injections; }
    std::uint32_t MapVirtualKey(std::uint32_t key) override { return layout_.MapVirtualKey(key); }
    std::int16_t VkKeyScan(char16_t c) override { return layout_.VkKeyScan(c); }
    bool CapsLockOn() override { return false; }
    void Sleep(std::uint32_t) override {}
    int MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                        int outSize) override {
        return layout_.MultiByteToWide(codePage, bytes, count, out, outSize);
    }

private:
    struct Host {
        KeyboardEmulator emulator{};
        QuietPlatform* platform = nullptr;
    };
    static std::int32_t TRLM_THISCALL Type(KeyboardEmulator* self, std::uint32_t, std::uint32_t);
    trelmix::platform::RecordingPlatform layout_;
    Host host_;
};
QuietPlatform& Quiet();

// The Lua peers: bench/peers/jobs.lua in one state, each job's function
// called once per record through the C API.
class LuaPeer {
public:
    explicit LuaPeer(const std::string& path);
    ~LuaPeer();
    LuaPeer(const LuaPeer&) = delete;
    LuaPeer& operator=(const LuaPeer&) = delete;

    bool ok() const { return error.empty(); }
    int Function(const std::string& name);  // a registry reference, or -1
    // Calls the function on buffer[0..length) and copies the result back;
    // returns the new length (the old one on error or when it would not fit).
    std::uint32_t Run(int function, std::uint8_t* buffer, std::uint32_t length, std::uint32_t capacity,
                      std::uint32_t codeType, std::uint32_t protocol);

    std::string error;
    std::uint64_t allocations = 0;  // fresh blocks Lua's allocator handed out

private:
    static void* Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize);
    lua_State* L_ = nullptr;
};
LuaPeer& Lua();

// Where bench/peers lives (set by CMake).
std::string PeersDir();

// ns per record of each job in node (job name -> ns), filled by main() before
// the benchmarks; empty when node was not run.
std::map<std::string, double>& NodeResults();
std::string& NodeStatus();  // why node results are missing, if they are

}  // namespace bench
