#include "exports/registry.h"

#include <algorithm>
#include <cstring>

namespace trelmix {

namespace {

std::size_t Hash(const HostId& id) {
    std::uint64_t a = 0, b = 0;
    std::memcpy(&a, &id, 8);
    std::memcpy(&b, reinterpret_cast<const std::uint8_t*>(&id) + 8, 8);
    const std::uint64_t h = (a ^ (b * 0x9E3779B97F4A7C15ull)) * 0xD6E8FEB86659FD93ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

}  // namespace

std::int32_t ScriptRegistry::Find(const HostId& id) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Hash(id) & mask;; at = (at + 1) & mask) {
        const std::int32_t index = slots_[at];
        if (index < 0) return -1;
        if (std::memcmp(&entries_[static_cast<std::size_t>(index)].id, &id, sizeof(HostId)) == 0) return index;
    }
}

void ScriptRegistry::File(std::vector<std::int32_t>& table, std::int32_t index) const {
    const std::size_t mask = table.size() - 1;
    std::size_t at = Hash(entries_[static_cast<std::size_t>(index)].id) & mask;
    while (table[at] >= 0) at = (at + 1) & mask;
    table[at] = index;
}

void ScriptRegistry::Rehash(std::vector<std::int32_t>& table) const {
    std::fill(table.begin(), table.end(), -1);
    for (std::size_t i = 0; i < entries_.size(); ++i) File(table, static_cast<std::int32_t>(i));
}

void ScriptRegistry::Add(const HostId& id, std::unique_ptr<Script> script) {
    // A larger table first; if push_back then fails, the table still files
    // exactly the entries there are.
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        std::vector<std::int32_t> table(std::max<std::size_t>(16, slots_.size() * 2));
        Rehash(table);
        slots_.swap(table);
    }
    entries_.push_back({id, std::move(script)});
    File(slots_, static_cast<std::int32_t>(entries_.size() - 1));
}

void ScriptRegistry::Replace(std::int32_t index, std::unique_ptr<Script> script) {
    entries_[static_cast<std::size_t>(index)].script = std::move(script);
}

std::unique_ptr<Script> ScriptRegistry::Remove(std::int32_t index) {
    auto script = std::move(entries_[static_cast<std::size_t>(index)].script);
    entries_.erase(entries_.begin() + index);
    Rehash(slots_);  // the entries after it moved down by one
    return script;
}

bool ScriptRegistry::Unregister(const HostId& id) {
    const std::int32_t index = Find(id);
    if (index < 0) return false;
    Remove(index);  // the returned script is released here
    return true;
}

void ScriptRegistry::Store(const HostId& id, std::unique_ptr<Script> script) {
    const std::int32_t index = Find(id);
    if (index < 0) {
        Add(id, std::move(script));
    } else {
        Replace(index, std::move(script));
    }
}

namespace {
ScriptRegistry registry;  // constant-initialized: no guard on the execute path
}  // namespace

ScriptRegistry& Registry() { return registry; }

}  // namespace trelmix
