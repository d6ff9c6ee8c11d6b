// The out-of-memory sweep (sweep.h) over the library linked in: the global
// allocator fails the chosen allocations. Nothing may leak (LeakSanitizer
// checks at exit) and no exception may escape.
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "sweep.h"

namespace {

long long countdown = -1;  // allocations left before the injected failure; -1: off
bool persistent = false;   // the failing allocation is followed by failing ones
bool injected = false;

void* Allocate(std::size_t size) {
    if (countdown == 0) {
        injected = true;
        if (!persistent) countdown = -1;
        throw std::bad_alloc();
    }
    if (countdown > 0) --countdown;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Arms the failure around the export call only.
struct Armed {
    explicit Armed(trelmix::oom::Failure f) {
        injected = false;
        countdown = f.at;
        persistent = f.persistent;
    }
    ~Armed() { countdown = -1; }
};

class Linked final : public trelmix::oom::Target {
public:
    bool Failed() override { return injected; }
    bool Assign(const HostId& id, const std::string& script, trelmix::oom::Failure failure) override {
        std::u16string text(script.begin(), script.end());
        auto* units = reinterpret_cast<TrelmixChar*>(text.data());
        AssignOutcome outcome{sizeof(AssignOutcome), 0, 0, 0, {}};
        const Armed armed(failure);
        // Every other failure through the call that tells why: the same answer.
        if (failure.at % 2 != 0) return TRLM_AssignScriptEx(&id, units, 0, &outcome) != 0;
        return TRLM_AssignScript(&id, units) != 0;
    }
    bool IsRegistered(const HostId& id) override { return TRLM_IsRegistered(&id) != 0; }
    std::string Execute(const HostId& id, const std::string& record, std::uint32_t codeType, bool into,
                        std::int32_t& status, trelmix::oom::Failure failure) override {
        std::vector<std::uint8_t> buffer(record.begin(), record.end());
        const auto length = static_cast<std::uint32_t>(buffer.size());
        buffer.resize(length + 256);
        const auto capacity = static_cast<std::uint32_t>(buffer.size());
        ExecuteResult r;
        {
            const Armed armed(failure);
            r = into ? TRLM_ExecuteInto(&id, buffer.data(), length, capacity, codeType, 0)
                     : TRLM_Execute(&id, buffer.data(), length, codeType, 0);
        }
        status = r.status;
        return std::string(buffer.begin(), buffer.begin() + r.length);
    }
};

}  // namespace

int main() {
    // A host emulator that types nowhere: only the allocations matter here.
    static const KeyboardEmulatorOperations ops = {
        nullptr, [](KeyboardEmulator*, std::uint32_t, std::uint32_t) TRLM_THISCALL -> std::int32_t { return 0; }};
    static KeyboardEmulator emulator{};
    emulator.operations = &ops;
    static TransmitObject transmit{&emulator, 1, 0};
    TRLM_SetTransmitObject(&transmit);
    Linked target;
    const int failures = trelmix::oom::Sweep(target, "linked");
    TRLM_SetTransmitObject(nullptr);
    return failures == 0 ? 0 : 1;
}
