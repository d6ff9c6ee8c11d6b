#include "keyboard/transmit.h"

namespace trelmix {

namespace {
TransmitObject* transmitObject = nullptr;
}

void SetTransmitObject(TransmitObject* object) { transmitObject = object; }
TransmitObject* CurrentTransmitObject() { return transmitObject; }

TransmitObject* CurrentTarget() {
    TransmitObject* t = transmitObject;
    const bool usable = t && t->emulator && t->emulator->operations && t->emulator->operations->TypeCharacter;
    return usable ? t : nullptr;
}

}  // namespace trelmix
