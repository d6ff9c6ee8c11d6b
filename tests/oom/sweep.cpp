#include "sweep.h"

#include <cstdio>
#include <iterator>

namespace trelmix::oom {

namespace {

struct Job {
    const char* name;
    const char* script;
    const char* record;
    std::uint32_t codeType;
    bool keyboard;
};

const Job kJobs[] = {
    {"gs1",
     "BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(15, 16)\nCODE_MATCH('01', 0)\nEND_CRITERIA\n"
     "BEGIN_ACTION\nREPLACE_ALL('&#x1D;', ' | ')\nPREPEND('(GS1) ')\nMOVE_AFTER('01')\n"
     "INSERT(':')\nEND_ACTION\nEND_RULE\n",
     "0109501101020917\x1d"
     "17250101\x1d"
     "10ABC123",
     15, false},
    {"pad and rulesets",
     "BEGIN_RULE\nSET_RULESET(2)\nBEGIN_CRITERIA\nWILDCARD_MATCH('SW*')\nEND_CRITERIA\n"
     "BEGIN_ACTION\nRULESET_OFF(3)\nEND_ACTION\nEND_RULE\nBEGIN_RULE\nBEGIN_ACTION\n"
     "CRUNCH_SPACES\nSKIP_START\nREMOVE_ZEROS\nPAD_ZEROS(3)\nPAD_SPACES(2)\nSKIP_END\n"
     "INSERT('-')\nEND_ACTION\nEND_RULE\n",
     "00 12  0034", 3, false},
    {"keyboard",
     "BEGIN_RULE\nBEGIN_ACTION\nSEND_UNTIL(',')\nSEND_ALT('a')\nAPPEND('!')\nSEND_ALL\n"
     "SEND_ASCII('xy')\nEND_ACTION\nEND_RULE\n",
     "AB,CD", 0, true},
};

const char* kBaseline = "BEGIN_RULE\nBEGIN_ACTION\nAPPEND('=base')\nEND_ACTION\nEND_RULE\n";

int failures = 0;

#define CHECK(cond, ...)                                                   \
    do {                                                                   \
        if (!(cond)) {                                                     \
            ++failures;                                                    \
            std::fprintf(stderr, "%s: check failed: %s: ", target, #cond); \
            std::fprintf(stderr, __VA_ARGS__);                             \
            std::fprintf(stderr, "\n");                                    \
        }                                                                  \
    } while (0)

}  // namespace

int Sweep(Target& t, const char* target) {
    failures = 0;
    long long points = 0;
    for (std::size_t pass = 0; pass < 2 * std::size(kJobs); ++pass) {
        const Job& job = kJobs[pass % std::size(kJobs)];
        // The persistent round first: the library's first exception is then
        // thrown with memory exhausted for good.
        const bool persistent = pass < std::size(kJobs);
        const std::string named = std::string(job.name) + (persistent ? " (persistent)" : "");
        const char* name = named.c_str();
        const HostId id = job.keyboard ? KeyboardClientId : HostId{0x00C0FFEE, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        std::int32_t status = 0;

        // The reference outcome, without any failure.
        CHECK(t.Assign(id, job.script), "%s compiles", name);
        const std::string expected = t.Execute(id, job.record, job.codeType, true, status);
        CHECK(status == TRLM_STATUS_APPLIED, "%s runs", name);

        for (long long n = 0;; ++n) {  // assignment failing at allocation n
            CHECK(t.Assign(id, kBaseline), "%s baseline", name);
            const bool ok = t.Assign(id, job.script, {n, persistent});
            if (!t.Failed()) {
                CHECK(ok, "%s assigns once memory suffices", name);
                points += n;
                break;
            }
            CHECK(!ok, "%s: assign reports failure at allocation %lld", name, n);
            CHECK(t.IsRegistered(id), "%s: id keeps a script at %lld", name, n);
            const std::string kept = t.Execute(id, job.record, job.codeType, false, status);
            CHECK(kept == std::string(job.record) + "=base", "%s: earlier script kept at %lld", name, n);
        }

        CHECK(t.Assign(id, job.script), "%s compiles", name);
        for (long long n = 0;; ++n) {  // execution failing at allocation n
            const std::string got = t.Execute(id, job.record, job.codeType, true, status, {n, persistent});
            if (!t.Failed()) {
                CHECK(got == expected, "%s: same result once memory suffices", name);
                points += n;
                break;
            }
            CHECK(status == TRLM_STATUS_OUT_OF_MEMORY, "%s: status %d at allocation %lld", name, status, n);
            CHECK(got == job.record, "%s: caller's buffer untouched at %lld", name, n);
        }
        t.Assign(id, "");
    }
    std::printf("%s: out-of-memory sweep: %lld allocation points, %d failures\n", target, points, failures);
    return failures;
}

}  // namespace trelmix::oom
