#include "exports/registry.h"

#include <cstring>

namespace trelmix {

// Ids are GUIDs, mostly random already; the multiplications spread ids that
// differ in one field only (hosts number their clients) over the table.
std::size_t ScriptRegistry::Home(const HostId& id) const {
    std::uint64_t low, high;
    static_assert(sizeof(HostId) == 2 * sizeof(std::uint64_t));
    std::memcpy(&low, &id, sizeof low);
    std::memcpy(&high, reinterpret_cast<const std::uint8_t*>(&id) + sizeof low, sizeof high);
    std::uint64_t h = (low ^ (high * 0x9E3779B97F4A7C15u)) * 0xBF58476D1CE4E5B9u;
    h ^= h >> 31;
    return static_cast<std::size_t>(h) & (slots_.size() - 1);
}

std::size_t ScriptRegistry::Probe(const HostId& id) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Home(id);
    while (slots_[i].script && !SameId(slots_[i].id, id)) i = (i + 1) & mask;
    return i;
}

Script* ScriptRegistry::Look(const HostId& id) const {
    if (count_ == 0) return nullptr;
    Script* const script = slots_[Probe(id)].script.get();
    if (script) lastId_ = id, last_ = script;
    return script;
}

void ScriptRegistry::Grow() {
    std::vector<Slot> old(slots_.empty() ? 8 : slots_.size() * 2);  // the only allocation: may throw
    old.swap(slots_);
    for (Slot& s : old) {
        if (s.script) slots_[Probe(s.id)] = std::move(s);
    }
}

void ScriptRegistry::Store(const HostId& id, std::unique_ptr<Script> script) {
    last_ = nullptr;
    if (count_ > 0) {
        if (Slot& had = slots_[Probe(id)]; had.script) {
            had.script = std::move(script);  // the old script is released here
            return;
        }
    }
    if (2 * (count_ + 1) > slots_.size()) Grow();
    Slot& slot = slots_[Probe(id)];
    slot.id = id;
    slot.script = std::move(script);
    ++count_;
}

// Backward-shift deletion: the entries after the hole whose probe passed
// through it move back, so that no probe stops early at the hole.
bool ScriptRegistry::Unregister(const HostId& id) {
    last_ = nullptr;
    if (count_ == 0) return false;
    std::size_t hole = Probe(id);
    if (!slots_[hole].script) return false;
    slots_[hole].script.reset();
    --count_;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t next = (hole + 1) & mask; slots_[next].script; next = (next + 1) & mask) {
        const std::size_t home = Home(slots_[next].id);
        // The entry stays when its home lies cyclically in (hole, next].
        const bool stays = hole < next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (stays) continue;
        slots_[hole] = std::move(slots_[next]);
        hole = next;
    }
    return true;
}

TRELMIX_REGISTRY_CONSTINIT ScriptRegistry theRegistry;

}  // namespace trelmix
