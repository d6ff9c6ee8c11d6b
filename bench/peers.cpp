#include <cstring>

#include <lua.hpp>

#include "support.h"

namespace bench {

// ---- the quiet platform -------------------------------------------------------

std::int32_t TRLM_THISCALL QuietPlatform::Type(KeyboardEmulator* self, std::uint32_t, std::uint32_t) {
    ++reinterpret_cast<Host*>(self)->platform->typed;  // `emulator` is Host's first member
    return 1;
}

QuietPlatform::QuietPlatform() {
    static const KeyboardEmulatorOperations operations = {nullptr, &QuietPlatform::Type};
    host_.emulator.operations = &operations;
    host_.platform = this;
    transmit.emulator = &host_.emulator;
    transmit.textEncoding = 1;
    transmit.typingContext = 0;
}

QuietPlatform& Quiet() {
    static QuietPlatform platform;
    return platform;
}

// ---- Lua ----------------------------------------------------------------------

void* LuaPeer::Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize) {
    if (newSize == 0) {
        std::free(block);
        return nullptr;
    }
    // A fresh block, or a block that grows: what a malloc-based allocator pays for.
    if (!block || newSize > oldSize) ++static_cast<LuaPeer*>(self)->allocations;
    return std::realloc(block, newSize);
}

LuaPeer::LuaPeer(const std::string& path) {
    L_ = lua_newstate(&LuaPeer::Allocate, this);
    if (!L_) {
        error = "lua_newstate failed";
        return;
    }
    luaL_openlibs(L_);
    if (luaL_dofile(L_, path.c_str()) != LUA_OK) {
        error = lua_tostring(L_, -1);
        lua_pop(L_, 1);
    }
}

LuaPeer::~LuaPeer() {
    if (L_) lua_close(L_);
}

int LuaPeer::Function(const std::string& name) {
    if (!ok()) return -1;
    lua_getglobal(L_, name.c_str());
    if (!lua_isfunction(L_, -1)) {
        lua_pop(L_, 1);
        return -1;
    }
    return luaL_ref(L_, LUA_REGISTRYINDEX);
}

std::uint32_t LuaPeer::Run(int function, std::uint8_t* buffer, std::uint32_t length, std::uint32_t capacity,
                           std::uint32_t codeType, std::uint32_t protocol) {
    lua_rawgeti(L_, LUA_REGISTRYINDEX, function);
    lua_pushlstring(L_, reinterpret_cast<const char*>(buffer), length);
    lua_pushinteger(L_, codeType);
    lua_pushinteger(L_, protocol);
    if (lua_pcall(L_, 3, 1, 0) != LUA_OK) {
        lua_pop(L_, 1);
        return length;
    }
    std::size_t size = 0;
    const char* result = lua_tolstring(L_, -1, &size);
    if (result && size <= capacity) {
        std::memcpy(buffer, result, size);
        length = static_cast<std::uint32_t>(size);
    }
    lua_pop(L_, 1);
    return length;
}

LuaPeer& Lua() {
    static LuaPeer peer(PeersDir() + "/jobs.lua");
    return peer;
}

std::string PeersDir() { return TRELMIX_BENCH_PEERS_DIR; }

std::map<std::string, double>& NodeResults() {
    static std::map<std::string, double> results;
    return results;
}

std::string& NodeStatus() {
    static std::string status = "not run";
    return status;
}

}  // namespace bench
