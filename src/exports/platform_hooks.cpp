// TRLM_SetPlatformHooks: exported by the POSIX build only.
#if !defined(_WIN32)

#include "platform/posix_hooks.h"
#include "trelmix/trelmix.h"

extern "C" TRLM_API void TRLM_CDECL TRLM_SetPlatformHooks(const PlatformHooks* hooks) {
    trelmix::platform::SetPosixHooks(hooks);
}

#endif
