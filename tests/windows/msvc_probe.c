/* A host as Visual C++ builds it: Microsoft ABI, linked against trelmix.lib
 * with no C runtime (its entry point is probe). Exit code 0 when every call
 * answered as it should, else the number of the first that did not. */
#include "trelmix/trelmix.h"

static const HostId kId = {0x5CA77E01u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
static TrelmixChar script[] = L"BEGIN_RULE\nBEGIN_ACTION\nAPPEND('!')\nEND_ACTION\nEND_RULE\n";
static uint8_t record[4] = {'o', 'k'};

int probe(void) {
    ExecuteResult r;
    if (!TRLM_AssignScript(&kId, script) || !TRLM_IsRegistered(&kId)) return 1;
    r = TRLM_Execute(&kId, record, 2, 0, 0);
    if (r.status != TRLM_STATUS_APPLIED || r.length != 3 || r.data != record || record[2] != '!') return 2;
    r = TRLM_ExecuteInto(&kId, record, 3, 3, 0, 0);
    if (r.status != TRLM_STATUS_TOO_LONG || r.length != 4) return 3;
    TRLM_SetTransmitObject(0);
    return 0;
}
