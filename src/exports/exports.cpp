// The exported functions. Each is a boundary guard: no exception leaves
// it. Running out of memory becomes a defined result: TRLM_AssignScript
// returns false and the id keeps what it had; TRLM_Execute returns
// TRLM_STATUS_OUT_OF_MEMORY with the caller's buffer untouched.
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "exports/registry.h"
#include "host/rule_runner.h"
#include "host/script_source.h"
#include "keyboard/transmit.h"
#include "script/compiler.h"
#include "trelmix/trelmix.h"

using namespace trelmix;

namespace {

ExecuteResult Failed(std::uint8_t* data, std::uint32_t length, std::int32_t status) {
    return {data, length, status, 0, 0};
}

bool Assign(const HostId& id, char16_t* string) {
    if (string[0] == 0) return Registry().Unregister(id);

    std::optional<std::vector<char16_t>> fileText;
    const char16_t* text = string;
    if (IsScriptPath(string)) {
        fileText = ReadScriptFile(string);
        if (!fileText) return false;  // the id keeps its earlier script
        text = fileText->data();
    } else {
        UnescapeEntities(string);  // the caller's buffer stays changed whatever follows
    }

    Program program;
    if (!CompileScript(program, text, IsKeyboardClient(id))) {
        Registry().Unregister(id);  // a failed assignment leaves the id without a script
        return false;
    }
    Registry().Store(id, std::make_unique<Script>(std::move(program)));
    return true;
}

// A run for an id other than the one found last.
#if defined(__GNUC__)
[[gnu::noinline]]
#endif
ExecuteResult RunLooked(const HostId& id, std::uint8_t* data, std::uint32_t length, std::uint32_t room,
                        std::uint32_t codeType, std::uint32_t protocol) {
    Script* const script = Registry().Find(id);
    if (!script) return Failed(data, length, TRLM_STATUS_NO_SCRIPT);
    return RunScript(*script, data, length, room, codeType, protocol);
}

}  // namespace

extern "C" {

TRLM_API uint8_t TRLM_CDECL TRLM_AssignScript(const HostId* id, TrelmixChar* script) {
    if (!script) return 0;
    try {
        return Assign(*id, reinterpret_cast<char16_t*>(script)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

TRLM_API uint8_t TRLM_CDECL TRLM_IsRegistered(const HostId* id) {
    return Registry().Find(*id) ? 1 : 0;
}

// A run answers for running out of memory itself (RunScript is noexcept),
// so these two need no guard of their own. The id found last is answered
// first without a call that the run would have to wait for (RunLooked
// does the lookup that searches).
TRLM_API ExecuteResult TRLM_CDECL TRLM_Execute(const HostId* id, uint8_t* data, uint32_t length,
                                               uint32_t codeType, uint32_t protocol) {
    if (Script* const script = Registry().FoundLast(*id)) {
        return RunScript(*script, data, length, kAnyLength, codeType, protocol);
    }
    return RunLooked(*id, data, length, kAnyLength, codeType, protocol);
}

TRLM_API ExecuteResult TRLM_CDECL TRLM_ExecuteInto(const HostId* id, uint8_t* data, uint32_t length,
                                                   uint32_t capacity, uint32_t codeType, uint32_t protocol) {
    if (Script* const script = Registry().FoundLast(*id)) {
        return RunScript(*script, data, length, capacity, codeType, protocol);
    }
    return RunLooked(*id, data, length, capacity, codeType, protocol);
}

TRLM_API void TRLM_CDECL TRLM_SetTransmitObject(TransmitObject* object) { SetTransmitObject(object); }

}  // extern "C"
