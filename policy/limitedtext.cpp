// String values of the numbered dialogs, held to the length of the fields that show them.
#include "policy/policy.h"

#include <stdio.h>
#include <string.h>

BOOL QueryNumberedString(HWND dialog, const char *tag, HKEY handle, const char *name,
                         int queryStep, int typeStep, const TextLimit &limit, char *text)
{
    static char stored[kRegStringChars];
    DWORD type = 0;
    LONG status = QueryRegString(handle, name, stored, &type);
    if (status != ERROR_SUCCESS) {
        ReportReadStatus(dialog, tag, queryStep, status);
        return FALSE;
    }
    // The user hears of the cut even when the type test then refuses the value.
    if (strlen(stored) > (size_t)limit.limit)
        ShowPolicyWarning(dialog, MB_ICONHAND, limit.warning, limit.limit, limit.limit);
    if (type != REG_SZ) {
        ReportReadType(dialog, tag, typeStep, type);
        return FALSE;
    }
    snprintf(text, limit.limit + 1, "%s", stored);
    return TRUE;
}

BOOL WriteNumberedString(HWND dialog, const char *tag, HKEY handle, const char *name, int step,
                         const char *text)
{
    LONG status = WriteRegString(handle, name, REG_SZ, text);
    if (status != ERROR_SUCCESS)
        ReportWriteStatus(dialog, tag, step, status);
    return status == ERROR_SUCCESS;
}
