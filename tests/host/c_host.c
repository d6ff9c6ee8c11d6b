/* A host's view of the library: plain C, only the public header and the
 * shared library. Assigns a script, runs records, checks the results. */
#include <stdio.h>
#include <string.h>

#include "trelmix/trelmix.h"

static int failures = 0;
#define CHECK(cond)                                                   \
    do {                                                              \
        if (!(cond)) {                                                \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                               \
        }                                                             \
    } while (0)

static void Widen(const char *in, TrelmixChar *out) {
    while ((*out++ = (unsigned char)*in++) != 0) {
    }
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

    Widen("BEGIN_RULE\n BEGIN_CRITERIA\n  CODE_LIST(3)\n END_CRITERIA\n"
          " BEGIN_ACTION\n  REMOVE_ZEROS\n  APPEND('&amp;')\n END_ACTION\nEND_RULE\n",
          script);
    CHECK(TRLM_AssignScript(&app, script));
    CHECK(TRLM_IsRegistered(&app));

    r = TRLM_Execute(&app, buffer, 7, 3, 0);
    CHECK(r.status == TRLM_STATUS_APPLIED && r.length == 6 && r.data == buffer);
    CHECK(memcmp(buffer, "12345&", 6) == 0);

    memcpy(buffer, "0012345", 7);
    r = TRLM_Execute(&app, buffer, 7, 4, 0); /* no rule applies: copied back unchanged */
    CHECK(r.status == TRLM_STATUS_APPLIED && r.length == 7 && memcmp(buffer, "0012345", 7) == 0);

    TRLM_SetTransmitObject(NULL);
    Widen("", script);
    CHECK(TRLM_AssignScript(&app, script));
    CHECK(!TRLM_IsRegistered(&app));
    CHECK(!TRLM_AssignScript(&app, NULL));

    if (failures == 0) printf("c_host: all checks passed (trelmix %s)\n", TRLM_VERSION_STRING);
    return failures == 0 ? 0 : 1;
}
