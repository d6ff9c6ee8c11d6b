// The script registry: each host id's compiled Script, in the order the ids
// were first registered. Replacing an id's script keeps its place; removing it
// closes the gap.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "script/model.h"
#include "trelmix/trelmix.h"

namespace trelmix {

class ScriptRegistry {
public:
    // Index of the id, compared in all 16 bytes, or -1.
    std::int32_t Find(const HostId& id) const;
    Script* At(std::int32_t index) const { return entries_[static_cast<std::size_t>(index)].script.get(); }
    std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }

    // Registers a new id at the end (may throw std::bad_alloc; then nothing changed).
    void Add(const HostId& id, std::unique_ptr<Script> script);
    // Releases the entry's script and keeps the new one in the same place.
    void Replace(std::int32_t index, std::unique_ptr<Script> script);
    // Takes the entry's script out and closes the gap.
    std::unique_ptr<Script> Remove(std::int32_t index);
    // Removes the id's entry and releases its script; false when it had none.
    bool Unregister(const HostId& id);
    // Add or Replace.
    void Store(const HostId& id, std::unique_ptr<Script> script);
    void Clear() {
        entries_.clear();
        slots_.clear();
    }

private:
    struct Entry {
        HostId id;
        std::unique_ptr<Script> script;
    };
    // Re-files every entry in a table of `size` slots (a power of two).
    void Rehash(std::vector<std::int32_t>& table) const;
    void File(std::vector<std::int32_t>& table, std::int32_t index) const;

    std::vector<Entry> entries_;
    // An open-addressing table of entry positions by id (-1: empty slot), at
    // most half full, so that finding an id costs the same for a host with
    // one client and for one with hundreds.
    std::vector<std::int32_t> slots_;
};

// The process-wide registry behind the exports. Scripts still registered
// when the library unloads are released with it.
ScriptRegistry& Registry();

}  // namespace trelmix
