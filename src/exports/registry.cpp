#include "exports/registry.h"

#include <cstring>

namespace trelmix {

std::int32_t ScriptRegistry::Find(const HostId& id) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (std::memcmp(&entries_[i].id, &id, sizeof(HostId)) == 0) return static_cast<std::int32_t>(i);
    }
    return -1;
}

void ScriptRegistry::Add(const HostId& id, std::unique_ptr<Script> script) {
    entries_.push_back({id, std::move(script)});
}

void ScriptRegistry::Replace(std::int32_t index, std::unique_ptr<Script> script) {
    entries_[static_cast<std::size_t>(index)].script = std::move(script);
}

std::unique_ptr<Script> ScriptRegistry::Remove(std::int32_t index) {
    auto script = std::move(entries_[static_cast<std::size_t>(index)].script);
    entries_.erase(entries_.begin() + index);
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
