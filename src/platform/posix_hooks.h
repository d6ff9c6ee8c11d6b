// The POSIX backend's host-installed hooks (TRLM_SetPlatformHooks): the
// host's input sink, Caps Lock query and event sink stand in for the
// operating system's.
#pragma once

#if !defined(_WIN32)

#include "trelmix/trelmix.h"

namespace trelmix::platform {

// Copies the hooks; null (or a null member) restores the default.
void SetPosixHooks(const PlatformHooks* hooks);

}  // namespace trelmix::platform

#endif
