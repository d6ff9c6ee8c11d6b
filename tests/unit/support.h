// Helpers shared by the unit tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "trelmix/trelmix.h"

namespace trelmix::test {

// Widens ASCII/Latin-1 text to UTF-16, one unit per byte.
inline std::u16string U16(std::string_view s) {
    std::u16string out;
    for (unsigned char c : s) out.push_back(c);
    return out;
}

inline std::string Str(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

inline HostId AppId(std::uint8_t n = 1) { return HostId{0xA11CE000u + n, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, n}}; }

// Sets one piece of process-wide state (the transmit object, the platform
// hooks, the backend) for the life of the scope and clears it after, so that
// a failing assertion cannot leave it set for the tests that follow.
template <auto Set>
class Installed {
public:
    template <typename T>
    explicit Installed(T* value) {
        Set(value);
    }
    ~Installed() { Set(nullptr); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
};

}  // namespace trelmix::test

namespace trelmix::test {

// Assigns a script through the exports and runs records on it, as a host
// would. Each harness uses its own application id (or KeyboardClientId) and
// unregisters it at the end.
class Harness {
public:
    explicit Harness(std::string_view script, bool keyboard = false, std::uint8_t idNumber = 7)
        : id_(keyboard ? KeyboardClientId : AppId(idNumber)) {
        assigned = Assign(script);
    }
    ~Harness() {
        char16_t empty[1] = {0};
        TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(empty));
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    bool Assign(std::string_view script) {
        std::u16string text = U16(script);
        return TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(text.data())) != 0;
    }

    struct Result {
        std::int32_t status;
        std::string data;  // the first `length` bytes of the buffer after the call
    };

    Result Run(std::string_view record, std::uint32_t codeType = 0, std::uint32_t protocol = 0) {
        std::vector<std::uint8_t> buffer(record.begin(), record.end());
        buffer.resize(record.size() + 4096);
        const ExecuteResult r = TRLM_ExecuteInto(&id_, buffer.data(), static_cast<std::uint32_t>(record.size()),
                                                 static_cast<std::uint32_t>(buffer.size()), codeType, protocol);
        if (r.status == TRLM_STATUS_TOO_LONG) return {r.status, {}};
        return {r.status, std::string(buffer.begin(), buffer.begin() + r.length)};
    }

    const HostId& id() const { return id_; }
    bool assigned = false;

private:
    HostId id_;
};

// A script of one rule: the criteria lines (none: no criteria block) and the
// action lines, for tests of single clauses and actions.
inline std::string OneRule(std::string_view criteria, std::string_view actions) {
    std::string s = "BEGIN_RULE\n";
    if (!criteria.empty()) s += "BEGIN_CRITERIA\n" + std::string(criteria) + "\nEND_CRITERIA\n";
    s += "BEGIN_ACTION\n" + std::string(actions) + "\nEND_ACTION\nEND_RULE\n";
    return s;
}

}  // namespace trelmix::test
