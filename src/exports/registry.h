// The script registry: each host id's compiled Script, found by hashing the
// id so that a lookup costs the same with one client or hundreds. The order
// of the entries is nobody's concern: a host only ever names one id.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "actions/program.h"
#include "trelmix/trelmix.h"

namespace trelmix {

class ScriptRegistry {
public:
    // The id's script, compared in all 16 bytes, or null. A host runs one
    // client's scans in a row: the last id found is answered first.
    Script* Find(const HostId& id) const {
        if (last_ && SameId(lastId_, id)) return last_;
        return Look(id);
    }
    // The id's script when it is the one found last, else null (Find knows).
    Script* FoundLast(const HostId& id) const { return last_ && SameId(lastId_, id) ? last_ : nullptr; }
    std::size_t Count() const { return count_; }

    // Registers the id's script, releasing the one it had. May throw
    // std::bad_alloc (the table's growth); then nothing changed.
    void Store(const HostId& id, std::unique_ptr<Script> script);
    // Removes the id's entry and releases its script; false when it had none.
    bool Unregister(const HostId& id);

private:
    // Open addressing with linear probing, at most half full, so that a probe
    // always ends at an empty slot (one without a script).
    struct Slot {
        HostId id{};
        std::unique_ptr<Script> script;
    };
    static bool SameId(const HostId& a, const HostId& b) {
        std::uint64_t x[2], y[2];  // two words: a call to memcmp would cost more than the compare
        std::memcpy(x, &a, sizeof x);
        std::memcpy(y, &b, sizeof y);
        return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
    }
    Script* Look(const HostId& id) const;
    std::size_t Home(const HostId& id) const;
    // The slot holding the id, else the empty slot where the probe ended.
    std::size_t Probe(const HostId& id) const;
    void Grow();

    std::vector<Slot> slots_;  // empty, or a power of two in size
    std::size_t count_ = 0;
    mutable HostId lastId_{};         // the id Look found last,
    mutable Script* last_ = nullptr;  // and its script; null after any change
};

// The process-wide registry behind the exports, built before any code runs
// (no guard to test on every call); a C++ library whose std::vector cannot
// be built at compile time (emscripten's) builds it at load instead. Scripts
// still registered when the library unloads are released with it.
#if defined(__cpp_lib_constexpr_vector)
#define TRELMIX_REGISTRY_CONSTINIT constinit
#else
#define TRELMIX_REGISTRY_CONSTINIT
#endif
extern TRELMIX_REGISTRY_CONSTINIT ScriptRegistry theRegistry;
inline ScriptRegistry& Registry() { return theRegistry; }

}  // namespace trelmix
