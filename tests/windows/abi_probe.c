/* Compiled with the plug-in's compiler and header to pin down, in its machine
 * code, how the emulator's TypeCharacter is called and how it returns (see
 * check_dll.sh). Not linked into anything. */
#include "trelmix/trelmix.h"

/* The call the keyboard code makes: through the second entry of the
 * operations table, on the TransmitObject's emulator, with its typing context. */
int32_t TrelmixProbeCall(const TransmitObject *transmit, uint32_t unit) {
    int32_t result = transmit->emulator->operations->TypeCharacter(transmit->emulator, unit, transmit->typingContext);
    return result + 1; /* keeps the call from becoming a jump */
}

/* A host's TypeCharacter. */
int32_t TRLM_THISCALL TrelmixProbeCallee(KeyboardEmulator *self, uint32_t character, uint32_t context) {
    return (int32_t)(character ^ context) + (self->delayMs != 0);
}
