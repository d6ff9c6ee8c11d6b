/* A host's view of the library: plain C, only the public header and the
 * shared library. Assigns a script, runs records, checks the results. */
#include <stdio.h>
#include <string.h>

#include "trelmix/trelmix.h"

static int failures = 0;
#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                              \
        }                                                                            \
    } while (0)

static void Widen(const char* in, TrelmixChar* out) {
    while ((*out++ = (unsigned char)*in++) != 0) {}
}

/* A TypeCharacter that calls back in: every call is refused and the run
 * goes on with its script, its TransmitObject and its record intact. */
static int typed = 0;
static KeyboardEmulatorOperations reentering;
TRLM_EXTENSION static int32_t TRLM_THISCALL TypeAndCallIn(struct KeyboardEmulator* self, uint32_t c, uint32_t t) {
    TrelmixChar empty[1] = {0};
    uint8_t byte = 'x';
    ExecuteResult r = TRLM_Execute(&KeyboardClientId, &byte, 1, 0, 0);
    CHECK(r.status == TRLM_STATUS_NO_SCRIPT && r.length == 1 && byte == 'x');
    r = TRLM_ExecuteInto(&KeyboardClientId, &byte, 1, 1, 0, 0);
    CHECK(r.status == TRLM_STATUS_NO_SCRIPT && r.length == 1);
    CHECK(!TRLM_AssignScript(&KeyboardClientId, empty) && TRLM_IsRegistered(&KeyboardClientId));
    CHECK(!TRLM_AssignScriptEx(&KeyboardClientId, empty, 0, NULL));
    TRLM_SetTransmitObject(NULL);
    (void)self, (void)t;
    typed += c == (uint32_t) "abc"[typed];
    return 1;
}

/* Null pointers never crash a call, and calls from callbacks are refused. */
static void NullsAndCallbacks(const HostId* app, TrelmixChar* script) {
    uint8_t record[8] = "abc";
    ExecuteResult r;
    KeyboardEmulator emulator;
    TransmitObject transmit;
    CHECK(!TRLM_AssignScript(NULL, script) && !TRLM_AssignScriptEx(NULL, script, 0, NULL));
    CHECK(!TRLM_IsRegistered(NULL));
    r = TRLM_Execute(NULL, record, 3, 0, 0);
    CHECK(r.status == TRLM_STATUS_NO_SCRIPT && r.length == 3 && r.data == record);
    r = TRLM_ExecuteInto(app, NULL, 3, 8, 0, 0);
    CHECK(r.status == TRLM_STATUS_NO_SCRIPT && r.length == 3 && r.data == NULL);
    r = TRLM_ExecuteInto(NULL, record, 3, 8, 0, 0);
    CHECK(r.status == TRLM_STATUS_NO_SCRIPT);

    Widen("BEGIN_RULE\nBEGIN_ACTION\nSEND_ALL\nEND_ACTION\nEND_RULE\n", script);
    CHECK(TRLM_AssignScript(&KeyboardClientId, script));
    memset(&emulator, 0, sizeof emulator);
    reentering.TypeCharacter = TypeAndCallIn;
    emulator.operations = &reentering;
    transmit.emulator = &emulator;
    transmit.textEncoding = 1;
    transmit.typingContext = 0;
    TRLM_SetTransmitObject(&transmit);
    r = TRLM_Execute(&KeyboardClientId, record, 3, 0, 0);
    CHECK(r.status == TRLM_STATUS_APPLIED && typed == 3 && TRLM_IsRegistered(&KeyboardClientId));
    TRLM_SetTransmitObject(NULL);
    Widen("", script);
    CHECK(TRLM_AssignScript(&KeyboardClientId, script));
}

/* TRLM_AssignScriptEx: where and why a script was refused, a missing file
 * refused when a file is required, and only `size` bytes written. */
static void AssignWithOutcome(const HostId* app, TrelmixChar* script) {
    AssignOutcome outcome;
    memset(&outcome, 0x55, sizeof outcome);
    outcome.size = sizeof outcome;
    Widen("BEGIN_RULE\nBEGIN_ACTION\n  PAD_ZEROS(x)\nEND_ACTION\nEND_RULE\n", script);
    CHECK(!TRLM_AssignScriptEx(app, script, 0, &outcome) && !TRLM_IsRegistered(app));
    CHECK(outcome.size == sizeof outcome && outcome.compiled == 0 && outcome.line == 3 && outcome.column == 13);
    CHECK(strstr(outcome.message, "PAD_ZEROS") != NULL);

    Widen("BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nEND_RULE\n", script);
    CHECK(TRLM_AssignScriptEx(app, script, 0, &outcome) && TRLM_IsRegistered(app));
    CHECK(outcome.compiled == 1 && outcome.line == 0 && outcome.column == 0 && outcome.message[0] == 0);

    Widen("scripts/no-such-file.trelmix", script);
    outcome.size = 8; /* a host that knows only the first two members */
    outcome.line = 77;
    CHECK(!TRLM_AssignScriptEx(app, script, TRLM_ASSIGN_REQUIRE_FILE, &outcome) && TRLM_IsRegistered(app));
    CHECK(outcome.compiled == 0 && outcome.line == 77);
    CHECK(!TRLM_AssignScriptEx(app, script, TRLM_ASSIGN_REQUIRE_FILE, NULL) && TRLM_IsRegistered(app));
    CHECK(!TRLM_AssignScriptEx(app, script, 2, NULL) && TRLM_IsRegistered(app));
    Widen("", script);
    CHECK(TRLM_AssignScriptEx(app, script, 0, NULL) && !TRLM_IsRegistered(app));
}

int main(void) {
    const HostId app = {0x12345678u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    TrelmixChar script[512];
    uint8_t buffer[64];
    ExecuteResult r;

    CHECK(!TRLM_IsRegistered(&app));
    memcpy(buffer, "0012345", 7);
    r = TRLM_Execute(&app, buffer, 7, 3, 0);
    CHECK(r.status == TRLM_STATUS_NO_SCRIPT && r.length == 7 && r.data == buffer);
    CHECK(r.reserved1 == 0 && r.reserved2 == 0);

    Widen(
        "BEGIN_RULE\n BEGIN_CRITERIA\n  CODE_LIST(3)\n END_CRITERIA\n"
        " BEGIN_ACTION\n  REMOVE_ZEROS\n  APPEND('&amp;')\n END_ACTION\nEND_RULE\n",
        script);
    CHECK(TRLM_AssignScript(&app, script));
    CHECK(TRLM_IsRegistered(&app));

    r = TRLM_Execute(&app, buffer, 7, 3, 0);
    CHECK(r.status == TRLM_STATUS_APPLIED && r.length == 6 && r.data == buffer);
    r = TRLM_Execute(&app, NULL, 0, 3, 0); /* the empty record, with no room for its '&' */
    CHECK(r.status == TRLM_STATUS_TOO_LONG && r.length == 1 && r.data == NULL);
    CHECK(memcmp(buffer, "12345&", 6) == 0);

    memcpy(buffer, "0012345", 7);
    r = TRLM_Execute(&app, buffer, 7, 4, 0); /* no rule applies: copied back unchanged */
    CHECK(r.status == TRLM_STATUS_APPLIED && r.length == 7 && memcmp(buffer, "0012345", 7) == 0);

    NullsAndCallbacks(&app, script); /* with a script registered: a null id must not be looked up */
    TRLM_SetTransmitObject(NULL);
    Widen("", script);
    CHECK(TRLM_AssignScript(&app, script));
    CHECK(!TRLM_IsRegistered(&app));
    CHECK(!TRLM_AssignScript(&app, NULL));
    AssignWithOutcome(&app, script);

    if (failures == 0) printf("c_host: all checks passed (trelmix %s)\n", TRLM_VERSION_STRING);
    return failures == 0 ? 0 : 1;
}
