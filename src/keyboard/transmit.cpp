#include "keyboard/transmit.h"

namespace trelmix {

namespace {
TransmitObject* transmitObject = nullptr;
}

void SetTransmitObject(TransmitObject* object) { transmitObject = object; }
TransmitObject* CurrentTransmitObject() { return transmitObject; }

}  // namespace trelmix
