// The exported functions. Each is a boundary guard: no exception leaves
// it. Running out of memory becomes a defined result: TRLM_AssignScript
// returns false and the id keeps what it had; TRLM_Execute returns
// TRLM_STATUS_OUT_OF_MEMORY with the caller's buffer untouched. A null
// pointer gets the answer of an id without a script, and a call from inside
// a host callback is refused (CallScope).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "exports/registry.h"
#include "host/rule_runner.h"
#include "host/script_source.h"
#include "keyboard/transmit.h"
#if !defined(_WIN32)
#include "platform/posix_hooks.h"
#endif
#include "script/compiler.h"
#include "trelmix/trelmix.h"

using namespace trelmix;

namespace {

ExecuteResult Failed(std::uint8_t* data, std::uint32_t length, std::int32_t status) {
    return {data, length, status, 0, 0};
}

// True while an exported call runs: a host callback that calls back in is
// refused, so that nothing the running call holds is changed or freed.
bool inCall = false;

class CallScope {
public:
    CallScope() { inCall = true; }
    ~CallScope() { inCall = false; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
};

// Where an assignment stopped and why, for TRLM_AssignScriptEx.
struct Outcome {
    CompileReport report;
    const char16_t* text = nullptr;  // the text compiled, when it was
    const char* refused = nullptr;   // why it never reached the compiler
};

bool Assign(const HostId& id, char16_t* string, std::uint32_t flags, Outcome* outcome) {
    if (string[0] == 0) return Registry().Unregister(id);

    std::optional<std::vector<char16_t>> fileText;
    const char16_t* text = string;
    if (IsScriptPath(string)) {
        fileText = ReadScriptFile(string);
        if (!fileText) {  // the id keeps its earlier script
            if (outcome) outcome->refused = "the script file cannot be read";
            return false;
        }
        text = fileText->data();
    } else if (flags & TRLM_ASSIGN_REQUIRE_FILE) {
        if (outcome) outcome->refused = "no file or directory of that name exists";
        return false;
    } else {
        UnescapeEntities(string);  // the caller's buffer stays changed whatever follows
    }

    Program program;
    if (outcome) outcome->text = text;
    if (!CompileScript(program, text, IsKeyboardClient(id), outcome ? &outcome->report : nullptr)) {
        Registry().Unregister(id);  // a failed assignment leaves the id without a script
        return false;
    }
    Registry().Store(id, std::make_unique<Script>(std::move(program)));
    return true;
}

// Fills the members of the host's AssignOutcome that lie within its size:
// `refused` when the call never compiled, else what compiling left in `outcome`.
void Tell(AssignOutcome& out, bool compiled, const Outcome* outcome, const char* refused) {
    AssignOutcome told{};
    told.size = out.size;
    told.compiled = compiled ? 1 : 0;
    const char* message = refused ? refused : outcome->refused ? outcome->refused : "";
    if (!compiled && !refused && !outcome->refused && outcome->text) {
        const CompileReport& report = outcome->report;
        const SourcePosition place = Locate(outcome->text, report.error.at ? report.error.at : outcome->text);
        told.line = place.line;
        told.column = place.column;
        message = report.error.reason.c_str();
    }
    std::memcpy(told.message, message, std::min(std::strlen(message), sizeof told.message - 1));
    std::memcpy(&out, &told, out.size < sizeof told ? out.size : sizeof told);
}

// A run for an id other than the one found last.
#if defined(__GNUC__)
[[gnu::noinline]]
#endif
ExecuteResult
RunLooked(const HostId& id, std::uint8_t* data, std::uint32_t length, std::uint32_t room, std::uint32_t codeType,
          std::uint32_t protocol) {
    Script* const script = Registry().Find(id);
    if (!script) return Failed(data, length, TRLM_STATUS_NO_SCRIPT);
    return RunScript(*script, data, length, room, codeType, protocol);
}

}  // namespace

extern "C" {

TRLM_API uint8_t TRLM_CDECL TRLM_AssignScript(const HostId* id, TrelmixChar* script) {
    if (!id || !script || inCall) return 0;
    CallScope scope;
    try {
        return Assign(*id, reinterpret_cast<char16_t*>(script), 0, nullptr) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

TRLM_API uint8_t TRLM_CDECL TRLM_AssignScriptEx(const HostId* id, TrelmixChar* script, uint32_t flags,
                                                AssignOutcome* outcome) {
    const char* refused = !id || !script                                       ? "a null id or script"
                          : inCall                                             ? "called from inside a callback"
                          : (flags & ~std::uint32_t{TRLM_ASSIGN_REQUIRE_FILE}) ? "unknown flags"
                                                                               : nullptr;
    if (refused) {
        if (outcome) Tell(*outcome, false, nullptr, refused);
        return 0;
    }
    CallScope scope;
    bool compiled = false;
    try {
        std::optional<Outcome> told;
        if (outcome) told.emplace();
        compiled = Assign(*id, reinterpret_cast<char16_t*>(script), flags, told ? &*told : nullptr);
        if (outcome) Tell(*outcome, compiled, &*told, nullptr);
    } catch (...) {
        if (outcome) Tell(*outcome, compiled, nullptr, "out of memory");
    }
    return compiled ? 1 : 0;
}

TRLM_API uint8_t TRLM_CDECL TRLM_IsRegistered(const HostId* id) { return id && Registry().Find(*id) ? 1 : 0; }

// A run answers for running out of memory itself (RunScript is noexcept),
// so these two need no guard of their own. The id found last is answered
// first without a call that the run would have to wait for (RunLooked
// does the lookup that searches).
TRLM_API ExecuteResult TRLM_CDECL TRLM_Execute(const HostId* id, uint8_t* data, uint32_t length, uint32_t codeType,
                                               uint32_t protocol) {
    if (!id || (!data && length) || inCall) return Failed(data, length, TRLM_STATUS_NO_SCRIPT);
    CallScope scope;
    const std::uint32_t room = data ? kAnyLength : 0;  // a null record: empty, and nothing copied back
    if (Script* const script = Registry().FoundLast(*id)) {
        return RunScript(*script, data, length, room, codeType, protocol);
    }
    return RunLooked(*id, data, length, room, codeType, protocol);
}

TRLM_API ExecuteResult TRLM_CDECL TRLM_ExecuteInto(const HostId* id, uint8_t* data, uint32_t length, uint32_t capacity,
                                                   uint32_t codeType, uint32_t protocol) {
    if (!id || (!data && length) || inCall) return Failed(data, length, TRLM_STATUS_NO_SCRIPT);
    CallScope scope;
    const std::uint32_t room = data ? capacity : 0;
    if (Script* const script = Registry().FoundLast(*id)) {
        return RunScript(*script, data, length, room, codeType, protocol);
    }
    return RunLooked(*id, data, length, room, codeType, protocol);
}

TRLM_API void TRLM_CDECL TRLM_SetTransmitObject(TransmitObject* object) {
    if (!inCall) SetTransmitObject(object);
}

#if !defined(_WIN32)
TRLM_API void TRLM_CDECL TRLM_SetPlatformHooks(const PlatformHooks* hooks) {
    if (!inCall) platform::SetPosixHooks(hooks);
}
#endif

}  // extern "C"
