// The host's TransmitObject: one process-wide pointer, null until the host
// sets it. While it is null no key stroke is produced.
#pragma once

#include "trelmix/trelmix.h"

namespace trelmix {

void SetTransmitObject(TransmitObject* object);
TransmitObject* CurrentTransmitObject();

// The stored TransmitObject when its emulator can be driven: the emulator,
// its operations table and the table's TypeCharacter are all set. Otherwise
// null, and nothing is pressed or typed.
TransmitObject* CurrentTarget();

}  // namespace trelmix
