// Out-of-memory sweep: fails the Nth allocation, for every N, across assigning
// and running realistic scripts through the exports; once with that one
// failure (transient), once with every allocation from the Nth on failing
// (persistent), so that the paths that handle a failure are swept too. Every outcome must be a
// defined result, nothing may leak (LeakSanitizer checks at exit), no
// exception may escape, and the registry must stay consistent: after a failed
// assignment the id has its earlier script.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "trelmix/trelmix.h"

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

int failures = 0;
template <typename... T>
void Report(const char* format, T... args) {
    std::fprintf(stderr, format, args...);
    std::fprintf(stderr, "\n");
}
#define CHECK(cond, ...)                                                                              \
    do {                                                                                                  \
        if (!(cond)) ++failures, std::fprintf(stderr, "check failed: %s: ", #cond), Report(__VA_ARGS__); \
    } while (0)

std::u16string Widen(std::string_view s) { return {s.begin(), s.end()}; }

// Arms the failure at allocation `failAt` (-1: none) around the export only.
bool Assign(const HostId& id, std::string_view script, long long failAt = -1) {
    std::u16string text = Widen(script);
    countdown = failAt;
    const bool ok = TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(text.data())) != 0;
    countdown = -1;
    return ok;
}

struct Job { const char* name; const char* script; const char* record; std::uint32_t codeType; bool keyboard; };

const Job kJobs[] = {
    {"gs1", "BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(15, 16)\nCODE_MATCH('01', 0)\nEND_CRITERIA\n"
     "BEGIN_ACTION\nREPLACE_ALL('&#x1D;', ' | ')\nPREPEND('(GS1) ')\nMOVE_AFTER('01')\n"
     "INSERT(':')\nEND_ACTION\nEND_RULE\n", "0109501101020917\x1d" "17250101\x1d" "10ABC123", 15, false},
    {"pad and rulesets", "BEGIN_RULE\nSET_RULESET(2)\nBEGIN_CRITERIA\nWILDCARD_MATCH('SW*')\nEND_CRITERIA\n"
     "BEGIN_ACTION\nRULESET_OFF(3)\nEND_ACTION\nEND_RULE\nBEGIN_RULE\nBEGIN_ACTION\n"
     "CRUNCH_SPACES\nSKIP_START\nREMOVE_ZEROS\nPAD_ZEROS(3)\nPAD_SPACES(2)\nSKIP_END\n"
     "INSERT('-')\nEND_ACTION\nEND_RULE\n", "00 12  0034", 3, false},
    {"keyboard", "BEGIN_RULE\nBEGIN_ACTION\nSEND_UNTIL(',')\nSEND_ALT('a')\nAPPEND('!')\nSEND_ALL\n"
     "SEND_ASCII('xy')\nEND_ACTION\nEND_RULE\n", "AB,CD", 0, true},
};

const char* kBaseline = "BEGIN_RULE\nBEGIN_ACTION\nAPPEND('=base')\nEND_ACTION\nEND_RULE\n";

std::string RunOnce(const HostId& id, const char* record, std::uint32_t codeType, std::int32_t& status,
                    long long failAt = -1) {
    std::vector<std::uint8_t> buffer(record, record + std::strlen(record));
    const std::size_t length = buffer.size();
    buffer.resize(length + 256);
    countdown = failAt;
    const ExecuteResult r = TRLM_ExecuteInto(&id, buffer.data(), static_cast<std::uint32_t>(length),
                                             static_cast<std::uint32_t>(buffer.size()), codeType, 0);
    countdown = -1;
    status = r.status;
    return std::string(buffer.begin(), buffer.begin() + r.length);
}

}  // namespace

int main() {
    // A host emulator that types nowhere: only the allocations matter here.
    static const KeyboardEmulatorOperations ops = {
        nullptr, [](KeyboardEmulator*, std::uint32_t, std::uint32_t) TRLM_THISCALL -> std::int32_t { return 0; }};
    static KeyboardEmulator emulator{};
    emulator.operations = &ops;
    static TransmitObject transmit{&emulator, 1, 0};
    TRLM_SetTransmitObject(&transmit);

    long long points = 0;
    for (std::size_t pass = 0; pass < 2 * std::size(kJobs); ++pass) {
        const Job& job = kJobs[pass % std::size(kJobs)];
        persistent = pass >= std::size(kJobs);  // the second round
        const std::string named = std::string(job.name) + (persistent ? " (persistent)" : "");
        const char* name = named.c_str();
        const HostId id = job.keyboard ? KeyboardClientId : HostId{0x00C0FFEE, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        std::int32_t status = 0;

        // The reference outcome, without any failure.
        CHECK(Assign(id, job.script), "%s compiles", name);
        const std::string expected = RunOnce(id, job.record, job.codeType, status);
        CHECK(status == TRLM_STATUS_APPLIED, "%s runs", name);

        for (long long n = 0;; ++n) {  // assignment failing at allocation n
            CHECK(Assign(id, kBaseline), "%s baseline", name);
            injected = false;
            const bool ok = Assign(id, job.script, n);
            if (!injected) {
                CHECK(ok, "%s assigns once memory suffices", name);
                points += n;
                break;
            }
            CHECK(!ok, "%s: assign reports failure at allocation %lld", name, n);
            CHECK(TRLM_IsRegistered(&id), "%s: id keeps a script at %lld", name, n);
            const std::string kept = RunOnce(id, job.record, job.codeType, status);
            CHECK(kept == std::string(job.record) + "=base", "%s: earlier script kept at %lld", name, n);
        }

        CHECK(Assign(id, job.script), "%s compiles", name);
        for (long long n = 0;; ++n) {  // execution failing at allocation n
            injected = false;
            const std::string got = RunOnce(id, job.record, job.codeType, status, n);
            if (!injected) {
                CHECK(got == expected, "%s: same result once memory suffices", name);
                points += n;
                break;
            }
            CHECK(status == TRLM_STATUS_OUT_OF_MEMORY, "%s: status %d at allocation %lld", name, status, n);
            CHECK(got == job.record, "%s: caller's buffer untouched at %lld", name, n);
        }
        std::u16string empty(1, u'\0');
        TRLM_AssignScript(&id, reinterpret_cast<TrelmixChar*>(empty.data()));
    }
    TRLM_SetTransmitObject(nullptr);
    std::printf("out-of-memory sweep: %lld allocation points, %d failures\n", points, failures);
    return failures == 0 ? 0 : 1;
}
