// The host's TransmitObject: one process-wide pointer, null until the host
// sets it. While it is null no key stroke is produced.
#pragma once

#include "trelmix/trelmix.h"

namespace trelmix {

void SetTransmitObject(TransmitObject* object);
TransmitObject* CurrentTransmitObject();

}  // namespace trelmix
