/* The guide's POSIX plug-in host as a program: posix_host LIBRARY. Loads the
 * library with dlopen, installs the keyboard hooks, and runs a keyboard
 * script that types the record and presses Enter through them. */
#include "posix_snippets.c"

#include <stdio.h>
#include <string.h>

static int32_t TypeCharacter(struct KeyboardEmulator* self, uint32_t character, uint32_t typingContext) {
    (void)self, (void)character, (void)typingContext;
    return 1;
}

int main(int argc, char** argv) {
    static const KeyboardEmulatorOperations operations = {NULL, TypeCharacter};
    const char* text = "BEGIN_RULE\nBEGIN_ACTION\nSEND_ALL\nSEND_EXTN('RET')\nEND_ACTION\nEND_RULE\n";
    TrelmixChar script[128];
    KeyboardEmulator emulator;
    TransmitObject transmit = {&emulator, 1, 0};
    PosixTrelmix t;
    unsigned keysPressed = 0;
    uint8_t record[8] = "42";
    size_t i;
    if (argc != 2 || !LoadPosixTrelmix(argv[1], &t)) {
        fprintf(stderr, "posix_host: cannot load %s: %s\n", argc > 1 ? argv[1] : "(none)", dlerror());
        return 1;
    }
    for (i = 0; i <= strlen(text); ++i) script[i] = (unsigned char)text[i];
    memset(&emulator, 0, sizeof emulator);
    emulator.operations = &operations;
    InstallKeyboard(&t, &keysPressed);
    t.SetTransmitObject(&transmit);
    if (!t.AssignScript(&KeyboardClientId, script) ||
        t.ExecuteInto(&KeyboardClientId, record, 2, sizeof record, 0, 0).status != TRLM_STATUS_APPLIED ||
        keysPressed != 1) {
        fprintf(stderr, "posix_host: the guide's host did not press Enter once (%u keys)\n", keysPressed);
        return 1;
    }
    t.SetTransmitObject(NULL);
    t.SetPlatformHooks(NULL);
    dlclose(t.library);
    printf("posix_host: the guide's plug-in host works\n");
    return 0;
}
